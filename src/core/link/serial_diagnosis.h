// Why a serial device could not be opened, in words that say what to do,
// and the serial devices present on this machine.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace parlane {

// Where the diagnosis looks: the process table and the UUCP lock-file
// directories (tests point these elsewhere).
struct SerialSystemPaths {
  std::filesystem::path proc = "/proc";
  std::vector<std::filesystem::path> lockDirs = {"/run/lock", "/var/lock"};
};

// A program holding a device: its process id and name ("" when unknown).
struct DeviceHolder {
  int pid = 0;
  std::string name;
};

// The process that holds `device`: first from a UUCP lock file
// (LCK..ttyUSB0 holding the process id, as text or as a 4-byte number) whose
// process is alive, else from a scan of the open descriptors under /proc.
// This process is never named. Empty pid when nobody is found.
DeviceHolder FindDeviceHolder(const std::string& device, const SerialSystemPaths& paths = {});

// Looks at `device` again after an open failed and explains the likely
// cause: no such device (unplugged adapter or a wrong PORTS.CFG line),
// permission denied (not in the device's group, with the command that adds
// the user), busy (naming the holder when it can be found), not a terminal.
// Empty when the device now opens and nothing can be said.
std::string ExplainSerialOpenFailure(const std::string& device,
                                     const SerialSystemPaths& paths = {});

// The serial devices present: /dev/ttyS*, /dev/ttyUSB*, /dev/ttyACM* in
// natural order, then the stable names under /dev/serial/by-id.
std::vector<std::string> ListSerialDevices(const std::filesystem::path& dev = "/dev");

}  // namespace parlane
