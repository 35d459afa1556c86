#pragma once
// The sound output a person chose (Options -> Sound Output...), kept in the settings store
// under [CurrentUser] SOFTWARE\Larkspur Labs\Chordlane\Sound: Device (the device's name,
// empty for the default one) and BufferFrames; beside them FinePitch (Options -> Fine Pitch,
// 1 or 0), how the pitch copies of the sounds are made.

#include <cstdint>

#include "platform/SettingsStore.h"
#include "platform/Types.h"

namespace chordlane {

inline constexpr char16_t SOUND_KEY[] = u"SOFTWARE\\Larkspur Labs\\Chordlane\\Sound";
inline constexpr uint32_t MIN_BUFFER_FRAMES = 64;
inline constexpr uint32_t MAX_BUFFER_FRAMES = 1024;
inline constexpr uint32_t DEFAULT_BUFFER_FRAMES = 256;

struct SoundOutputChoice {
    String device;  // empty: the default output device
    uint32_t bufferFrames = DEFAULT_BUFFER_FRAMES;
};

//! The stored choice; a missing or out-of-range buffer size reads as the default.
SoundOutputChoice ReadSoundOutput(SettingsStore* store);
void WriteSoundOutput(SettingsStore* store, const SoundOutputChoice& choice);
//! Options -> Fine Pitch as stored; off when never chosen.
bool ReadFinePitch(SettingsStore* store);
void WriteFinePitch(SettingsStore* store, bool fine);
//! Whether frames is a buffer size the program offers (64 to 1024).
bool IsBufferSize(int64_t frames);

}  // namespace chordlane
