// Small texts of the shell: the status-bar clock and the receive directory
// chosen through a file dialog.
#pragma once

#include <ctime>
#include <optional>
#include <string>
#include <string_view>

namespace parlane {

// "%I:%M %p" without a leading zero: 09:05 gives "9:05 AM", 23:30 "11:30 PM".
std::string ClockText(const std::tm& local);

// The directory part of a file path chosen in the "Select Receive Directory"
// dialog, without a trailing "/" unless it is the root; case is kept. A path
// without a "/" gives ".". Empty when the result does not fit ReceiveDir
// (259 characters), so that a cut-off path is never stored.
std::optional<std::string> NormaliseReceiveDir(std::string_view chosenFile);

}  // namespace parlane
