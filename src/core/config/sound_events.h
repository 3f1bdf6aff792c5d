// The seven sound events and what each gives under SoundsOff and
// UseSpeakerBeep: a wave file, a plain beep, or nothing.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "config/main_config.h"

namespace parlane {

enum class SoundEvent {
  TitleScreen = 0,
  Beep = 1,
  Connect = 2,
  HostModeConnect = 3,
  TransferSuccess = 4,
  TransferFailed = 5,
  Exit = 6,
};

// The names the Sound Effects dialog lists, in SoundFiles order.
inline constexpr std::array<std::string_view, 7> kSoundEventNames = {
    "Title screen",         "Beep", "Connect", "Telnet Host Mode connect", "File transfer success",
    "File transfer failed", "Exit"};

struct SoundAction {
  enum class Kind { Nothing, SystemBeep, WaveFile };
  Kind kind = Kind::Nothing;
  std::string file;          // the wave file (relative to the program's directory) for WaveFile
  bool synchronous = false;  // the program waits until it has played (Exit)
  bool noDefault = false;    // no system default sound when the file is missing
  bool operator==(const SoundAction&) const = default;
};

// The rule applied at every event. SoundsOff silences everything but Beep;
// UseSpeakerBeep gives a plain beep instead of the file, except for the
// title screen and exit, which are then silent.
SoundAction SoundFor(SoundEvent event, const Main_Configuration_Struct& cfg);

}  // namespace parlane
