#include "config/shell_text.h"

#include "config/main_config.h"

namespace parlane {

std::string ClockText(const std::tm& local) {
  int hour = local.tm_hour % 12;
  if (hour == 0) hour = 12;
  std::string s = std::to_string(hour);
  s += ':';
  if (local.tm_min < 10) s += '0';
  s += std::to_string(local.tm_min);
  s += local.tm_hour < 12 ? " AM" : " PM";
  return s;
}

std::optional<std::string> NormaliseReceiveDir(std::string_view chosenFile) {
  auto slash = chosenFile.rfind('/');
  std::string dir;
  if (slash == std::string_view::npos) {
    dir = ".";
  } else {
    dir = std::string(chosenFile.substr(0, slash));
    while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
    if (dir.empty()) dir = "/";
  }
  if (dir.size() >= Main_Configuration_Struct::kPathSize) return std::nullopt;
  return dir;
}

}  // namespace parlane
