// The Open Telnet dialog's ten most recent host and port pairs, kept in
// Main_Configuration_Struct::HostHistory, most recent first.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "config/main_config.h"

namespace parlane {

using HostHistory = std::array<HostHistoryEntry, Main_Configuration_Struct::kHistoryCount>;

// Longest host and port the dialog accepts (field size less the terminator).
inline constexpr size_t kMaxHostText = HostHistoryEntry::kHostSize - 1;
inline constexpr size_t kMaxPortText = HostHistoryEntry::kPortSize - 1;
inline constexpr std::string_view kDefaultTelnetPort = "23";

// Puts (host, port) at the top: an equal pair (compared without regard to
// case) moves up from where it was, otherwise every entry moves down one and
// the oldest is lost. Texts are cut to their fields. An empty host leaves the
// history unchanged.
void UpdateHostHistory(HostHistory& history, std::string_view host, std::string_view port);

// What the dialog shows when it opens.
struct OpenTelnetSetup {
  std::vector<std::string> Hosts;  // the drop-down list, history order, free slots skipped
  std::string Host;                // the host field ("" on a first run)
  std::string Port;                // the port field ("23" on a first run)
  int Selected = -1;               // list position selected, -1 none
};
OpenTelnetSetup SetUpOpenTelnet(const HostHistory& history);

// The port text for the drop-down position `listIndex` (positions count the
// listed, non-free entries); empty when out of range.
std::string HistoryPortAt(const HostHistory& history, int listIndex);

}  // namespace parlane
