#include "dialer/dial_number.h"

#include <gtest/gtest.h>

#include <deque>
#include <map>
#include <string>
#include <vector>

namespace parlane {
namespace {

class FakePort : public DialPort {
 public:
  bool Open(uint32_t comPort, const Dcb& settings) override {
    opens.push_back(comPort);
    lastSettings = settings;
    open = !failOpen;
    return open;
  }
  bool IsOpen() const override { return open; }
  void Write(std::string_view bytes) override { writes.emplace_back(bytes); }
  size_t Read(std::span<uint8_t> buf) override {
    size_t n = 0;
    while (n < buf.size() && !input.empty()) {
      buf[n++] = static_cast<uint8_t>(input.front());
      input.pop_front();
    }
    return n;
  }
  void Receive(std::string_view bytes) { input.insert(input.end(), bytes.begin(), bytes.end()); }

  bool open = false;
  bool failOpen = false;
  std::vector<uint32_t> opens;
  Dcb lastSettings;
  std::vector<std::string> writes;
  std::deque<char> input;
};

class FakeView : public DialView {
 public:
  void SetField(DialField field, std::string_view text) override {
    fields[field] = std::string(text);
    if (field == DialField::TimeRemaining) shownCountdowns.emplace_back(text);
  }
  void StartTimer() override { timerRunning = true; }
  void StopTimer() override { timerRunning = false; }
  void ShowInformation(std::string_view text, std::string_view caption) override {
    messages.push_back(std::string(caption) + ": " + std::string(text));
  }
  void EndDialog(DialResult r) override { results.push_back(r); }

  std::map<DialField, std::string> fields;
  std::vector<std::string> shownCountdowns;
  bool timerRunning = false;
  std::vector<std::string> messages;
  std::vector<DialResult> results;
};

class FixedClock : public DialClock {
 public:
  std::tm LocalNow() const override { return now; }
  std::tm now = [] {
    std::tm t{};
    t.tm_year = 126;  // 2026
    t.tm_mon = 2;     // March
    t.tm_mday = 7;
    t.tm_hour = 21;
    t.tm_min = 5;
    t.tm_sec = 9;
    return t;
  }();
};

DialingDirectoryEntry Entry(const std::string& name, const std::string& number, uint32_t port) {
  DialingDirectoryEntry e;
  e.Type = static_cast<uint32_t>(EntryType::Dialup);
  e.Name = name;
  e.Address = number;
  e.ComPort = port;
  e.PortSettings.BaudRate = 19200 + port;
  e.UserName = name + "-user";
  e.Password = name + "-pass";
  e.LoginScript = name + ".csc";
  e.Terminal.Emulation = 2;
  e.Protocol = 0;
  return e;
}

class DialNumberTest : public ::testing::Test {
 protected:
  void Open(size_t count) {
    entries_.clear();
    const char* names[] = {"First", "Second", "Third"};
    for (size_t i = 0; i < count; ++i)
      entries_.push_back(Entry(names[i], "555-010" + std::to_string(i), static_cast<uint32_t>(i)));
    std::vector<DialingDirectoryEntry*> selected;
    for (auto& e : entries_) selected.push_back(&e);
    cfg_.DialPrefix = "ATDT";
    dialer_ = std::make_unique<DialNumber>(selected, cfg_, port_, view_, clock_);
    dialer_->SetUp();
  }
  void Ticks(int n) {
    for (int i = 0; i < n; ++i) dialer_->Tick();
  }
  void Modem(std::string_view bytes) {
    port_.Receive(bytes);
    while (!port_.input.empty() && !dialer_->Result()) dialer_->ProcessModemReply();
  }
  // The numbers dialled so far, in order.
  std::vector<std::string> Dialled() const {
    std::vector<std::string> out;
    for (size_t i = 0; i + 2 < port_.writes.size(); ++i)
      if (port_.writes[i] == "ATDT" && port_.writes[i + 2] == "\r")
        out.push_back(port_.writes[i + 1]);
    return out;
  }

  std::deque<DialingDirectoryEntry> entries_;
  Main_Configuration_Struct cfg_;
  FakePort port_;
  FakeView view_;
  FixedClock clock_;
  std::unique_ptr<DialNumber> dialer_;
};

TEST_F(DialNumberTest, FirstTickDialsWithTheEntrysPort) {
  Open(1);
  EXPECT_EQ(view_.fields[DialField::StartTime], "09:05:09 PM");
  EXPECT_TRUE(port_.writes.empty());
  Ticks(1);
  EXPECT_EQ(port_.writes, (std::vector<std::string>{"ATDT", "555-0100", "\r"}));
  EXPECT_EQ(port_.opens, std::vector<uint32_t>{0});
  EXPECT_EQ(cfg_.ComPort, 0u);
  EXPECT_EQ(cfg_.PortSettings.BaudRate, 19200u);
  EXPECT_EQ(view_.fields[DialField::Name], "First");
  EXPECT_EQ(view_.fields[DialField::PhoneNumber], "555-0100");
  EXPECT_EQ(view_.fields[DialField::NumberOfCalls], "0");
  EXPECT_EQ(view_.fields[DialField::LastCallDate], "None");
  EXPECT_EQ(view_.fields[DialField::AttemptNumber], "1");
  EXPECT_EQ(view_.fields[DialField::TimeRemaining], "60");
  EXPECT_EQ(dialer_->Countdown(), 59);
  EXPECT_TRUE(view_.timerRunning);
}

TEST_F(DialNumberTest, AttemptRunsOutThenCarriageReturnThenRedial) {
  Open(1);
  Ticks(1);   // dial, shows 60
  Ticks(60);  // shows 59 .. 0
  EXPECT_EQ(view_.shownCountdowns.back(), "0");
  EXPECT_EQ(dialer_->Countdown(), -1);
  const size_t before = port_.writes.size();
  Ticks(1);  // the attempt timed out: one CR
  ASSERT_EQ(port_.writes.size(), before + 1);
  EXPECT_EQ(port_.writes.back(), "\r");
  Ticks(1);  // the same entry again
  EXPECT_EQ(Dialled(), (std::vector<std::string>{"555-0100", "555-0100"}));
  EXPECT_EQ(view_.fields[DialField::AttemptNumber], "2");
}

TEST_F(DialNumberTest, FailureWordShortensTheAttempt) {
  Open(2);
  Ticks(1 + 20);  // dialled; display ran 60 .. 40
  EXPECT_EQ(view_.shownCountdowns.back(), "40");
  Modem("ATDT555-0100\r\nNO CARRIER\r\n");
  EXPECT_EQ(view_.fields[DialField::ModemStatus], "NO CARRIER");
  view_.shownCountdowns.clear();
  Ticks(3);
  EXPECT_EQ(view_.shownCountdowns, (std::vector<std::string>{"2", "1", "0"}));
  Ticks(1);
  EXPECT_EQ(port_.writes.back(), "\r");
  Ticks(1);  // fifth tick after the failure: the next entry
  EXPECT_EQ(Dialled(), (std::vector<std::string>{"555-0100", "555-0101"}));
}

TEST_F(DialNumberTest, ResultWordsAreFoundAnywhereWithExactCapitals) {
  using R = DialNumber::Reply;
  const std::pair<const char*, R> cases[] = {
      {"CONNECT", R::Connect},
      {"CONNECT 28800/ARQ", R::Connect},
      {"connect", R::Other},
      {"NO CARRIER", R::Failure},
      {"ERROR", R::Failure},
      {"NO DIALTONE", R::Failure},
      {"BUSY", R::Failure},
      {"NO ANSWER", R::Failure},
      {"OK", R::Other},
      {"RING", R::Other},
      {"", R::Other},
      {"ATDT555", R::Other},
      {"+++ NO CARRIER", R::Failure},
  };
  for (const auto& [line, expected] : cases)
    EXPECT_EQ(DialNumber::ClassifyReply(line), expected) << line;
}

TEST_F(DialNumberTest, ConnectUpdatesTheEntryAndTheSettings) {
  Open(2);
  Ticks(1 + 60 + 1 + 1);  // second entry dialled
  Modem("CONNECT 2400\r");
  ASSERT_EQ(view_.results, std::vector<DialResult>{DialResult::Connected});
  EXPECT_EQ(dialer_->Result(), DialResult::Connected);
  const DialingDirectoryEntry& e = entries_[1];
  EXPECT_EQ(e.Connects, 1u);
  EXPECT_EQ(e.LastConnectDate, "03/07/26");
  EXPECT_EQ(e.LastConnectTime, "09:05:09 PM");
  EXPECT_EQ(entries_[0].Connects, 0u);
  EXPECT_EQ(dialer_->Session().Name, "Second");
  EXPECT_EQ(dialer_->Session().UserName, "Second-user");
  EXPECT_EQ(dialer_->Session().Password, "Second-pass");
  EXPECT_EQ(dialer_->Session().LoginScript, "Second.csc");
  EXPECT_EQ(cfg_.Terminal.Emulation, 2u);
  EXPECT_EQ(cfg_.Protocol, 0u);
  EXPECT_FALSE(view_.timerRunning);
  const size_t writes = port_.writes.size();
  Ticks(5);  // the dialog is over
  EXPECT_EQ(port_.writes.size(), writes);
}

TEST_F(DialNumberTest, HostOutputInTheConnectReadIsKeptForTheSession) {
  Open(1);
  Ticks(1);
  Modem("CONNECT 9600\r\nWelcome to the BBS\r\n");
  EXPECT_EQ(dialer_->Result(), DialResult::Connected);
  EXPECT_EQ(dialer_->InputAfterConnect(), "Welcome to the BBS\r\n");
}

TEST_F(DialNumberTest, ConnectBeforeAnyDialIsOnlyShown) {
  Open(1);
  port_.open = true;
  Modem("CONNECT\r");
  EXPECT_EQ(view_.fields[DialField::ModemStatus], "CONNECT");
  EXPECT_FALSE(dialer_->Result());
  EXPECT_EQ(entries_[0].Connects, 0u);
}

TEST_F(DialNumberTest, ModemLinesAreEditedCutAndReadInPieces) {
  Open(1);
  Ticks(1);
  Modem("\bOKX\b\r");  // backspace at the start does nothing
  EXPECT_EQ(view_.fields[DialField::ModemStatus], "OK");
  Modem("\n\nRI\nNG\r");
  EXPECT_EQ(view_.fields[DialField::ModemStatus], "RING");
  Modem(std::string(80, 'x') + "0123456789\r");  // an overlong line keeps its last piece
  EXPECT_EQ(view_.fields[DialField::ModemStatus], "0123456789");
  port_.Receive(std::string(100, 'a') + "\r");
  dialer_->ProcessModemReply();  // at most eighty bytes a call
  EXPECT_EQ(port_.input.size(), 21u);
}

TEST_F(DialNumberTest, CancelEndsOnceAndStopsTheClock) {
  Open(1);
  Ticks(3);
  dialer_->Cancel();
  dialer_->Cancel();
  EXPECT_EQ(view_.results, std::vector<DialResult>{DialResult::Cancelled});
  EXPECT_FALSE(view_.timerRunning);
}

TEST(DialNumberEmpty, NothingSelectedCancels) {
  Main_Configuration_Struct cfg;
  FakePort port;
  FakeView view;
  FixedClock clock;
  DialNumber d({}, cfg, port, view, clock);
  d.SetUp();
  d.Tick();
  EXPECT_EQ(view.results, std::vector<DialResult>{DialResult::Cancelled});
  EXPECT_TRUE(port.opens.empty());
}

}  // namespace
}  // namespace parlane
