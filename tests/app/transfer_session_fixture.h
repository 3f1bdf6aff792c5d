// Session windows with a receive directory of their own, and a watcher that
// answers the transfer dialogs: it notes what they show, presses Cancel when
// told to once bytes move, and presses OK when they end.
#pragma once

#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <set>

#include "frame_fixture.h"
#include "xfer/xfer_support.h"

namespace parlane::test {

class DialogWatcher {
 public:
  DialogWatcher() {
    QObject::connect(&timer_, &QTimer::timeout, [this] { Look(); });
    timer_.start(5);
  }
  // Press Cancel once the bytes-transferred field passes `bytes`.
  void CancelAfter(long long bytes) { cancelAfter_ = bytes; }

  std::vector<QString> endings;  // the status when OK was pressed
  std::set<QString> captions, statuses;
  bool cancelled = false, closeRefused = false;
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
      captions.insert(w->windowTitle());
      statuses.insert(status->text());
      if (cancelAfter_ >= 0 && !cancelled && bytes->text().toLongLong() > cancelAfter_) {
        cancelled = button->text() == QLatin1String("Cancel");
        button->click();
        statuses.insert(status->text());
        w->close();  // a close request while the transfer ends changes nothing
        closeRefused = w->isVisible();
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

class TransferSessionTest : public SessionContextTest {
 protected:
  TransferSessionTest() { config.ReceiveDir = received.Path(); }

  // A session window connected to the host at `port`.
  TelnetWindowMDIChild* Connect(int port) {
    TelnetSessionParams params;
    params.host = "127.0.0.1";
    params.port = static_cast<uint16_t>(port);
    params.terminal = config.Terminal;
    TelnetWindowMDIChild* child = Open(params);
    EXPECT_TRUE(RunUntil([&] { return child->IsConnected(); }));
    return child;
  }
  static bool Shows(TelnetWindowMDIChild* child, const std::string& text) {
    return RunUntil([&] { return ScreenText(child->Window()).find(text) != std::string::npos; });
  }
  int Count(SoundEvent e) const { return int(std::count(sounds.begin(), sounds.end(), e)); }

  TempDir received;
};

}  // namespace parlane::test
