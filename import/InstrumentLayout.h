#pragma once
// The instrument files the importer writes: a keyboard, pads or the built-in guitar's
// strummer, each key or pad a sound element of its own whose wave file holds that note.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace chordlane {

enum class ImportLayout { Keyboard, Pads, Strummer };

//! The layout named keyboard, pads or strummer; nothing for another word.
std::optional<ImportLayout> ParseImportLayout(std::string_view word);

// The keys a keyboard shows at most, and the pads.
inline constexpr int MAX_KEYBOARD_KEYS = 88;
inline constexpr int MAX_PADS = 48;

//! The notes the layout plays, from the notes the preset defines (ascending): for the
//! keyboard those of its key range (at most 88, where wider MIDI 21 to 108), for the pads
//! at most 48 (those with General MIDI drum names first), for the strummer those its strings and
//! capo reach.
std::vector<int> LayoutNotes(ImportLayout layout, const std::vector<int>& defined);

//! The wave file of a note, relative to the instrument's folder of waves.
std::string NoteWaveName(ImportLayout layout, int note);
//! The click that tabs and settings pads sound, in the same folder.
inline constexpr std::string_view TICK_WAVE_NAME = "tick.wav";

//! The instrument text (UTF-8, header line included). notes are those with a wave file;
//! waveFolder is put in front of every wave file's name ("Piano/").
std::string WriteLayout(ImportLayout layout, const std::string& title,
                        const std::vector<int>& notes, const std::string& waveFolder);

//! The note's name as keys are labelled: C4 is MIDI 60.
std::string NoteName(int note);
//! The General MIDI percussion name of the note, or empty.
std::string_view PercussionName(int note);

}  // namespace chordlane
