#include "config/sound_events.h"

namespace parlane {

SoundAction SoundFor(SoundEvent event, const Main_Configuration_Struct& cfg) {
  SoundAction a;
  const bool silentWithBeep = event == SoundEvent::TitleScreen || event == SoundEvent::Exit;
  a.synchronous = event == SoundEvent::Exit;
  a.noDefault = silentWithBeep;
  // The host's BEL is always heard: it does not look at SoundsOff.
  if (cfg.SoundsOff && event != SoundEvent::Beep) return SoundAction{};
  if (cfg.UseSpeakerBeep) {
    if (silentWithBeep) return SoundAction{};
    a.kind = SoundAction::Kind::SystemBeep;
    a.synchronous = false;
    a.noDefault = false;
    return a;
  }
  a.kind = SoundAction::Kind::WaveFile;
  a.file = cfg.SoundFiles[static_cast<size_t>(event)];
  return a;
}

}  // namespace parlane
