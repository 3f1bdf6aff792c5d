// A shell whose COM1 is the slave of a pseudo-terminal with a simulated
// Hayes modem on its master side (PORTS.CFG maps it), and the answers for
// the phonebook and Dial Number dialogs.
#pragma once

#include "../support/hayes_modem.h"
#include "app/dialup_shell.h"
#include "book/phonebook.h"
#include "config/dcb.h"
#include "dialogs/dial_number_dialog.h"
#include "dialogs/dialing_directory.h"
#include "frame_fixture.h"
#include "link/serial_port.h"
#include "session/comm_window.h"
#include "session/session.h"

namespace parlane::test {

class DialupTest : public FrameTest {
 protected:
  void SetUp() override {
    FrameTest::SetUp();
    ASSERT_TRUE(modem_.Ok());
    std::filesystem::create_directories(dir_);
    std::ofstream(dir_ / "PORTS.CFG") << "COM1=" << modem_.Device() << "\n";
  }

  // Starts the shell with the modem's lines on the serial port; with
  // `dial`, as `parlane --dial ENTRY`, which connects once start-up is done.
  void StartDialup(bool firstRun = true, const std::string& dial = {}) {
    if (dial.empty()) {
      Start(firstRun);
    } else {
      app_ = std::make_unique<TMyApp>(platform_, dir_, firstRun);
      app_->SetDialEntry(dial);
      app_->InitMainWindow();
    }
    Client()->Dialup().UseModemLines(modem_.Lines());
    notifier_ = std::make_unique<QSocketNotifier>(modem_.Fd(), QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { modem_.Poll(); });
    if (!dial.empty()) {
      QCoreApplication::processEvents();
      QCoreApplication::processEvents();
    }
  }
  void TearDown() override {
    FrameTest::TearDown();
    notifier_.reset();
  }

  static DialingDirectoryEntry DialupEntry(const std::string& name, const std::string& number) {
    DialingDirectoryEntry e;
    e.Type = static_cast<uint32_t>(EntryType::Dialup);
    e.Name = name;
    e.Address = number;
    BuildDcbFromMode("96,N,8,1", e.PortSettings);
    return e;
  }
  static DialingDirectoryEntry TelnetEntry(const std::string& name, const std::string& host,
                                           const std::string& port) {
    DialingDirectoryEntry e;
    e.Type = static_cast<uint32_t>(EntryType::Telnet);
    e.Name = name;
    e.Address = host;
    e.Port = port;
    return e;
  }
  // PHONBOOK.DAT before start-up (the list reverses the file's order).
  void WriteBook(const std::vector<DialingDirectoryEntry>& entries) {
    Phonebook book;
    for (const auto& e : entries) book.Add(e);
    RecordingMessageSink quiet;
    ASSERT_TRUE(book.Save(dir_ / "PHONBOOK.DAT", quiet));
  }
  std::vector<DialingDirectoryEntry> ReadBook() {
    Phonebook book;
    RecordingMessageSink quiet;
    book.Load(dir_ / "PHONBOOK.DAT", quiet);
    return {book.Entries().begin(), book.Entries().end()};
  }

  // The phonebook answer: select these names and press Connect.
  void ConnectFromPhonebook(const QStringList& names) {
    platform_.dialogResponders.push_back([names](QDialog& d) {
      auto& book = dynamic_cast<DialingDirectory&>(d);
      book.SelectNames(names);
      book.Connect();
      return int{QDialog::Rejected};
    });
  }
  // The Dial Number answer: a fast clock, until `stop` or the dialog ends.
  void AnswerDial(std::function<bool(DialNumberDialog&)> stop = {}) {
    platform_.dialogResponders.push_back([this, stop](QDialog& d) {
      auto& dial = dynamic_cast<DialNumberDialog&>(d);
      dial.SetTickInterval(kFastTickMs);
      RunUntil([&] { return dial.Finished() || (stop && stop(dial)); }, 15000);
      dialLog_.push_back(
          {dial.FieldText(DialField::AttemptNumber), dial.FieldText(DialField::ModemStatus)});
      return dial.result();
    });
  }

  CommWindowMDIChild* Dialup() const { return Client()->Dialup().DialupWindow(); }
  bool ShowsText(TelnetWindow* w, const std::string& text, int ms = 3000) {
    return RunUntil([&] { return ScreenText(w).find(text) != std::string::npos; }, ms);
  }

  static constexpr int kFastTickMs = 10;
  HayesModem modem_;
  std::unique_ptr<QSocketNotifier> notifier_;
  struct DialSeen {
    QString attempt;
    QString status;
  };
  std::vector<DialSeen> dialLog_;
};

}  // namespace parlane::test
