// The Dial Number dialog's logic: dials the selected dial-up phonebook
// entries one after another until a modem answers with CONNECT or the user
// cancels. The window, its timer, the serial port and the clock stay behind
// the interfaces below, so the whole sequence can be driven tick by tick.
//
// How the dialog drives it:
//   SetUp()               when the dialog opens (starts timer 2)
//   Tick()                on every 1000 ms tick of timer 2
//   ProcessModemReply()   from idle processing while bytes wait on the port
//   Cancel()              when the Cancel button is pressed
// After it ends with Cancelled the caller writes one CR to the port and
// closes it; after Connected it opens the dial-up window for Session().
#pragma once

#include <array>
#include <cstdint>
#include <ctime>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "book/phonebook.h"
#include "config/main_config.h"

namespace parlane {

// The fields the dialog shows, by their labels.
enum class DialField {
  Name,           // "Name:"
  PhoneNumber,    // "Phone number:"
  NumberOfCalls,  // "Number of calls:"
  LastCallDate,   // "Last call date:"
  LastCallTime,   // "Last call time:"
  StartTime,      // "Start time:"
  AttemptNumber,  // "Attempt number:"
  TimeRemaining,  // "Time remaining:"
  ModemStatus,    // "Modem status:"
};

enum class DialResult { Connected, Cancelled };

// The dialog window as the dialer sees it.
class DialView {
 public:
  virtual ~DialView() = default;
  virtual void SetField(DialField field, std::string_view text) = 0;
  virtual void StartTimer() = 0;  // timer 2, every 1000 ms
  virtual void StopTimer() = 0;
  // A message box with the information icon.
  virtual void ShowInformation(std::string_view text, std::string_view caption) = 0;
  virtual void EndDialog(DialResult result) = 0;
};

// The program's serial port as the dialer uses it.
class DialPort {
 public:
  virtual ~DialPort() = default;
  // Opens the port with close-first on and send-init off (the modem's
  // initialisation string is not sent). On failure the port has already
  // shown its own message; returns false.
  virtual bool Open(uint32_t comPort, const Dcb& settings) = 0;
  virtual bool IsOpen() const = 0;
  virtual void Write(std::string_view bytes) = 0;
  // Reads bytes already waiting, at most buf.size(); never blocks. Returns
  // the count read, 0 when nothing waits or the read failed.
  virtual size_t Read(std::span<uint8_t> buf) = 0;
};

class DialClock {
 public:
  virtual ~DialClock() = default;
  virtual std::tm LocalNow() const = 0;
};

// The connected entry's session data, for the dial-up window.
struct DialSession {
  std::string Name;
  std::string UserName;
  std::string Password;
  std::string LoginScript;
};

class DialNumber {
 public:
  // Countdown value that makes the next tick dial.
  static constexpr int32_t kDialNow = 60;
  // Countdown value of an attempt whose time has run out.
  static constexpr int32_t kTimedOut = -1;
  // Countdown after a failure word: the display runs 2, 1, 0, then the CR is
  // written and the next tick dials, so the redial comes a few seconds later.
  static constexpr int32_t kAfterFailure = 2;
  // The modem line holds this many characters; a longer line starts over.
  static constexpr size_t kLineSize = 80;
  // At most this many selected lines are dialled.
  static constexpr size_t kMaxSelected = 256;

  // `selected`: the entries of the selected phonebook lines, in list-box
  // order (at most kMaxSelected are used); they must outlive the dialer.
  DialNumber(std::vector<DialingDirectoryEntry*> selected, Main_Configuration_Struct& cfg,
             DialPort& port, DialView& view, const DialClock& clock);

  void SetUp();
  void Tick();
  void ProcessModemReply();
  void Cancel();

  std::optional<DialResult> Result() const { return result_; }
  const DialSession& Session() const { return session_; }
  // Bytes that came from the port in the same read as the CONNECT line,
  // after it (the host's first output): the dial-up window shows them first.
  const std::string& InputAfterConnect() const { return afterConnect_; }
  int32_t Countdown() const { return countdown_; }
  uint32_t Attempt() const { return attempt_; }
  size_t SelectionIndex() const { return selection_; }
  const DialingDirectoryEntry* CurrentEntry() const { return current_; }

  // What a complete modem line means.
  enum class Reply { Connect, Failure, Other };
  static Reply ClassifyReply(std::string_view line);

 private:
  void Dial();
  void ShowEntry(const DialingDirectoryEntry& e);
  void ShowCountdown();
  void TakeModemByte(uint8_t byte);
  void EndOfLine();
  void Connected();
  void End(DialResult result);

  std::vector<DialingDirectoryEntry*> selected_;
  Main_Configuration_Struct& cfg_;
  DialPort& port_;
  DialView& view_;
  const DialClock& clock_;

  int32_t countdown_ = kDialNow;
  size_t selection_ = 0;
  uint32_t attempt_ = 0;
  DialingDirectoryEntry* current_ = nullptr;
  std::array<char, kLineSize> line_{};
  size_t fill_ = 0;
  std::optional<DialResult> result_;
  DialSession session_;
  std::string afterConnect_;
};

inline constexpr std::string_view kMsgCheckHardware = "Check hardware settings for\n%s";

}  // namespace parlane
