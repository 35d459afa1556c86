#pragma once
// The few values the program keeps in the platform's settings store: the home folder the
// installation records, the system volume, and the association of instrument files with
// the program, and the MIDI output choice. Failures, and a null store, are silent.

#include <cstdint>

#include "platform/SettingsStore.h"
#include "platform/Types.h"

namespace chordlane {

inline constexpr char16_t INSTALL_KEY[] = u"SOFTWARE\\Larkspur Labs\\Chordlane\\Install";
inline constexpr char16_t HOME_VALUE[] = u"Home";
inline constexpr char16_t MIDI_KEY[] = u"SOFTWARE\\Larkspur Labs\\Chordlane\\MIDI";

// Options -> MIDI Output: whether the notes go to the MIDI port, and whether the program's
// own sound plays as well while they do.
struct MidiOutChoice {
    bool on = false;
    bool ownSound = true;
    bool operator==(const MidiOutChoice&) const = default;
};

//! A value of the installation's key under the local machine.
String ReadInstallSetting(SettingsStore* store, const String& valueName);
//! Stores the middle of the volume scale as the system volume unless one is stored already.
//! The device always had a system volume; a fresh settings store has none, and reading it as
//! 0 on activation would play every instrument at a fifth of its loudness.
void ProvideSystemVolume(SettingsStore* store);
//! Associates .clx and .cly with the program (an extension that already names another
//! class keeps it) and points the class's icon and open command at the program folder.
void RegisterFileTypes(SettingsStore* store, const String& programFolder);
//! The stored MIDI output choice (under the current user); the defaults where none is.
MidiOutChoice ReadMidiOutChoice(SettingsStore* store);
void WriteMidiOutChoice(SettingsStore* store, const MidiOutChoice& choice);

}  // namespace chordlane
