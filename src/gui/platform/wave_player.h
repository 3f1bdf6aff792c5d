// Wave files played through Qt Multimedia's sound effects.
#pragma once

#include <QString>

namespace parlane {

// How long a synchronous sound (the exit sound) may hold the program up.
inline constexpr int kSyncSoundLimitMs = 10000;

// Plays the wave file at `path`: in the background, or to its end (at most
// kSyncSoundLimitMs) when `synchronous`. False when the file cannot be
// loaded or no sound device takes it.
bool PlayWaveFile(const QString& path, bool synchronous);

}  // namespace parlane
