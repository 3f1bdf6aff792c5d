#include "dialer/dial_number.h"

#include <algorithm>
#include <utility>

namespace parlane {
namespace {

constexpr uint8_t kBackspace = 8;
constexpr uint8_t kLineFeed = 10;
constexpr uint8_t kCarriageReturn = 13;
constexpr std::string_view kCr = "\r";

constexpr std::string_view kConnectWord = "CONNECT";
// Tested in this order, after CONNECT.
constexpr std::array<std::string_view, 5> kFailureWords = {"NO CARRIER", "ERROR", "NO DIALTONE",
                                                           "BUSY", "NO ANSWER"};

// The format with its one "%s" replaced by `value`.
std::string Replace(std::string_view format, std::string_view value) {
  const size_t at = format.find("%s");
  if (at == std::string_view::npos) return std::string(format);
  std::string text(format.substr(0, at));
  text += value;
  text += format.substr(at + 2);
  return text;
}

}  // namespace

DialNumber::DialNumber(std::vector<DialingDirectoryEntry*> selected, Main_Configuration_Struct& cfg,
                       DialPort& port, DialView& view, const DialClock& clock)
    : selected_(std::move(selected)), cfg_(cfg), port_(port), view_(view), clock_(clock) {
  std::erase(selected_, nullptr);
  if (selected_.size() > kMaxSelected) selected_.resize(kMaxSelected);
}

void DialNumber::SetUp() {
  countdown_ = kDialNow;
  selection_ = 0;
  attempt_ = 0;
  fill_ = 0;
  view_.SetField(DialField::StartTime, ConnectTimeText(clock_.LocalNow()));
  view_.StartTimer();
}

void DialNumber::Tick() {
  if (result_) return;
  if (countdown_ == kTimedOut) {
    port_.Write(kCr);
    countdown_ = kDialNow;
  } else if (countdown_ == kDialNow) {
    Dial();
  } else {
    ShowCountdown();
    --countdown_;
  }
}

void DialNumber::Dial() {
  view_.StopTimer();
  ++attempt_;
  view_.SetField(DialField::AttemptNumber, std::to_string(attempt_));
  if (selected_.empty()) {  // nothing left to dial
    End(DialResult::Cancelled);
    return;
  }
  selection_ %= selected_.size();
  current_ = selected_[selection_];
  ShowEntry(*current_);
  if (!port_.Open(current_->ComPort, current_->PortSettings)) {
    view_.ShowInformation(Replace(kMsgCheckHardware, current_->Name), kShellCaption);
    End(DialResult::Cancelled);
    return;
  }
  cfg_.ComPort = current_->ComPort;
  cfg_.PortSettings = current_->PortSettings;
  port_.Write(cfg_.DialPrefix);
  port_.Write(current_->Address);
  port_.Write(kCr);
  selection_ = (selection_ + 1) % selected_.size();
  view_.StartTimer();
  ShowCountdown();
  --countdown_;
}

void DialNumber::ShowEntry(const DialingDirectoryEntry& e) {
  view_.SetField(DialField::Name, e.Name);
  view_.SetField(DialField::PhoneNumber, e.Address);
  view_.SetField(DialField::NumberOfCalls, std::to_string(static_cast<int32_t>(e.Connects)));
  view_.SetField(DialField::LastCallDate, e.LastConnectDate);
  view_.SetField(DialField::LastCallTime, e.LastConnectTime);
}

void DialNumber::ShowCountdown() {
  view_.SetField(DialField::TimeRemaining, std::to_string(countdown_));
}

void DialNumber::ProcessModemReply() {
  if (result_ || !port_.IsOpen()) return;
  std::array<uint8_t, kLineSize> buf{};  // at most 80 bytes a call; the rest waits
  const size_t n = std::min(port_.Read(buf), buf.size());
  size_t i = 0;
  while (i < n && !result_) TakeModemByte(buf[i++]);
  if (result_ != DialResult::Connected) return;
  // What followed the CONNECT line in this read belongs to the session; the
  // line feed that completes the modem's result line does not.
  if (i < n && buf[i] == kLineFeed) ++i;
  afterConnect_.assign(reinterpret_cast<const char*>(buf.data()) + i, n - i);
}

void DialNumber::TakeModemByte(uint8_t byte) {
  if (byte == kBackspace) {
    if (fill_ > 0) --fill_;
  } else if (byte == kLineFeed) {
    // line feeds only follow the CR that ended the line
  } else if (byte == kCarriageReturn) {
    EndOfLine();
  } else {
    line_[fill_++] = static_cast<char>(byte);
    if (fill_ == kLineSize) fill_ = 0;  // an overlong line starts over
  }
}

DialNumber::Reply DialNumber::ClassifyReply(std::string_view line) {
  if (line.find(kConnectWord) != std::string_view::npos) return Reply::Connect;
  for (std::string_view word : kFailureWords)
    if (line.find(word) != std::string_view::npos) return Reply::Failure;
  return Reply::Other;
}

void DialNumber::EndOfLine() {
  const std::string line(line_.data(), fill_);
  fill_ = 0;
  view_.SetField(DialField::ModemStatus, line);
  switch (ClassifyReply(line)) {
    case Reply::Connect:
      // A CONNECT before anything was dialled belongs to no entry: only shown.
      if (current_) Connected();
      break;
    case Reply::Failure: countdown_ = kAfterFailure; break;
    case Reply::Other: break;
  }
}

void DialNumber::Connected() {
  const std::tm now = clock_.LocalNow();
  DialingDirectoryEntry& e = *current_;
  ++e.Connects;
  e.LastConnectDate = ConnectDateText(now);
  e.LastConnectTime = ConnectTimeText(now);
  session_ = {e.Name, e.UserName, e.Password, e.LoginScript};
  cfg_.Terminal = e.Terminal;
  cfg_.Protocol = e.Protocol;
  End(DialResult::Connected);
}

void DialNumber::Cancel() {
  if (!result_) End(DialResult::Cancelled);
}

void DialNumber::End(DialResult result) {
  result_ = result;
  view_.StopTimer();
  view_.EndDialog(result);
}

}  // namespace parlane
