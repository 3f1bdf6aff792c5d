#include "config/host_history.h"

#include <algorithm>
#include <cctype>

namespace parlane {
namespace {

bool EqualNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

}  // namespace

void UpdateHostHistory(HostHistory& history, std::string_view host, std::string_view port) {
  host = host.substr(0, kMaxHostText);
  port = port.substr(0, kMaxPortText);
  if (host.empty()) return;
  size_t found = history.size() - 1;  // not found: the oldest entry is lost
  for (size_t i = 0; i < history.size(); ++i) {
    if (EqualNoCase(history[i].Host, host) && EqualNoCase(history[i].Port, port)) {
      found = i;
      break;
    }
  }
  for (size_t i = found; i > 0; --i) history[i] = std::move(history[i - 1]);
  history[0] = HostHistoryEntry{std::string(host), std::string(port)};
}

OpenTelnetSetup SetUpOpenTelnet(const HostHistory& history) {
  OpenTelnetSetup s;
  for (const auto& e : history)
    if (!e.Free()) s.Hosts.push_back(e.Host);
  if (history[0].Free()) {
    s.Port = kDefaultTelnetPort;
    return s;
  }
  s.Host = history[0].Host;
  s.Port = history[0].Port;
  s.Selected = 0;
  return s;
}

std::string HistoryPortAt(const HostHistory& history, int listIndex) {
  int seen = 0;
  for (const auto& e : history) {
    if (e.Free()) continue;
    if (seen++ == listIndex) return e.Port;
  }
  return {};
}

}  // namespace parlane
