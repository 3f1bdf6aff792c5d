// Session windows in an MDI area with a recording context, and a watcher
// that answers the transfer dialogs: it notes what they show, presses
// Cancel when told to once bytes move, and presses OK when they end.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QMdiArea>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "app/app_context.h"
#include "book/phonebook.h"
#include "config/main_config.h"
#include "config/placement.h"
#include "keys/keymap.h"
#include "platform/qt_event_loop.h"
#include "platform/scripted_platform.h"
#include "session/session.h"
#include "session/telnet_window.h"
#include "session/terminal_view.h"
#include "xfer/xfer_support.h"

namespace parlane::test {

class QuietStatus final : public StatusPanes {
 public:
  void SetMessage(const QString&) override {}
  bool ConnectTimeShown() const override { return false; }
  void SetConnectTime(const QString&) override {}
  void SetLink(const QString&) override {}
  void SetEmulation(const QString&) override {}
  void SetIndicator(StatusIndicator, bool) override {}
};

// Looks at the open transfer dialog every few milliseconds.
class DialogWatcher {
 public:
  DialogWatcher() {
    QObject::connect(&timer_, &QTimer::timeout, [this] { Look(); });
    timer_.start(5);
  }
  // Press Cancel once the bytes-transferred field passes `bytes`.
  void CancelAfter(long long bytes) { cancelAfter_ = bytes; }

  std::vector<QString> endings;  // the status when OK was pressed
  std::set<QString> statuses;    // every status seen
  std::set<QString> captions;
  bool cancelled = false;
  int dialogsSeen = 0;

 private:
  void Look() {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      if (w->objectName() != QLatin1String("FileTransfer") || !w->isVisible()) continue;
      if (w != last_) ++dialogsSeen;
      last_ = w;
      auto* button = w->findChild<QPushButton*>(QStringLiteral("button"));
      auto* status = w->findChild<QLabel*>(QStringLiteral("status"));
      auto* bytes = w->findChild<QLabel*>(QStringLiteral("bytesTransferred"));
      if (!button || !status || !bytes) continue;
      statuses.insert(status->text());
      captions.insert(w->windowTitle());
      if (cancelAfter_ >= 0 && !cancelled && bytes->text().toLongLong() > cancelAfter_) {
        cancelled = true;
        button->click();
      }
      if (button->text() == QLatin1String("OK")) {
        endings.push_back(status->text());
        button->click();
      }
    }
  }

  QTimer timer_;
  QWidget* last_ = nullptr;
  long long cancelAfter_ = -1;
};

class TransferSessionTest : public ::testing::Test {
 protected:
  TransferSessionTest()
      : config(LoadMainConfig(std::filesystem::path("/nonexistent/MAIN.CFG"), "/tmp")),
        keys(DefaultKeyTable()),
        context{config,
                placement,
                keys,
                phonebook,
                platform,
                status,
                loop,
                programDir.Path().c_str(),
                &mainWindow,
                nullptr,
                [this](SoundEvent s) { sounds.push_back(s); }} {
    config.ReceiveDir = received.Path();
    mainWindow.resize(1000, 800);
    area = new QMdiArea(&mainWindow);
    area->resize(1000, 800);
    mainWindow.show();
  }

  TelnetWindowMDIChild* Open(int port) {
    TelnetSessionParams params;
    params.host = "127.0.0.1";
    params.port = static_cast<uint16_t>(port);
    params.terminal = config.Terminal;
    auto* child = new TelnetWindowMDIChild(context, params);
    child->setAttribute(Qt::WA_DeleteOnClose);
    area->addSubWindow(child);
    child->show();
    EXPECT_TRUE(WaitFor([&] { return child->IsConnected(); }));
    return child;
  }

  static bool WaitFor(const std::function<bool()>& done, int ms = 30000) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
      if (t.elapsed() > ms) return false;
      QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
  }

  static bool ScreenShows(TelnetWindowMDIChild* child, const std::string& text) {
    const TerminalScreen& s = child->Window()->GetSession().Screen();
    for (int r = std::max(0, s.Cursor().row - 40); r <= s.Cursor().row; ++r) {
      if (std::string(s.RowText(r)).find(text) != std::string::npos) return true;
    }
    return false;
  }

  int Count(SoundEvent e) const {
    return static_cast<int>(std::count(sounds.begin(), sounds.end(), e));
  }

  TempDir programDir;
  TempDir received;
  Main_Configuration_Struct config;
  WindowPlacementRecord placement;
  KeyTable keys;
  Phonebook phonebook;
  ScriptedPlatform platform;
  QuietStatus status;
  QtEventLoop loop;
  QWidget mainWindow;
  QMdiArea* area = nullptr;
  std::vector<SoundEvent> sounds;
  AppContext context;
};

}  // namespace parlane::test
