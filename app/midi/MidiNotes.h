#pragma once
// The notes a performance plays, as MIDI on channel 1. Every voice that starts a sound
// begins a note, and the note ends when the voice is released, its sound ends or is cut,
// the voice starts again, or the performance ends. One tracker decides all of that, and
// every destination (the live port, a Standard MIDI File) is a sink that hears the same
// note-ons and note-offs, so a file and the port never disagree.
//
// MIDI has one "note N sounding" per channel where the instrument may have several voices
// on one note number: a second note-on of a sounding number first ends it, and the earlier
// voice's own end then sends nothing (it would cut the newer note short).

#include <array>
#include <cstdint>
#include <unordered_map>
#include <vector>

namespace chordlane {

// What every note-off carries: the "no particular release velocity" value.
inline constexpr uint8_t MIDI_RELEASE_VELOCITY = 64;
// Note numbers run from 0 to MIDI_NOTE_COUNT - 1.
inline constexpr int32_t MIDI_NOTE_COUNT = 128;

//! A destination of the tracker's notes. ms is the clock's millisecond tick count of the
//! moment, in the order the events happened.
class MidiSink {
  public:
    virtual ~MidiSink() = default;
    //! Note number note (0 to 127) begins with velocity 1 to 127.
    virtual void NoteOn(uint32_t ms, uint8_t note, uint8_t velocity) = 0;
    //! Note number note ends (release velocity MIDI_RELEASE_VELOCITY).
    virtual void NoteOff(uint32_t ms, uint8_t note) = 0;
};

class MidiNoteTracker {
  public:
    //! The note number of a sound entry: 69 + the sound's base note + the entry's shift, or
    //! -1 when that falls outside 0 to 127 (such a note is not sent).
    static int32_t NoteFor(int32_t baseNote, int32_t shift);
    //! The velocity of a voice's volume: (volume * 127 + 50) / 100, kept within 1 to 127.
    static uint8_t VelocityFor(int32_t volume);

    //! sink hears every note event from now on, until RemoveSink; not owned. A sink added
    //! while notes sound hears their note-offs too.
    void AddSink(MidiSink& sink);
    void RemoveSink(MidiSink& sink);

    //! voice (a key, never read through) started a sound of the given note number (as
    //! NoteFor answers it) and volume at ms: its previous note ends, then the new one begins.
    void VoiceStarted(const void* voice, int32_t note, int32_t volume, uint32_t ms);
    //! voice was released or its sound ended or was cut at ms: its note ends, if it still
    //! sounds. A voice without a note is ignored.
    void VoiceEnded(const void* voice, uint32_t ms);
    //! The performance ends at ms: every note still sounding ends, lowest number first.
    void EndAll(uint32_t ms);
    //! The note numbers sounding now, lowest first.
    std::vector<uint8_t> SoundingNotes() const;

  private:
    void NoteOff(uint32_t ms, int32_t note);

    // The note number each voice sounds (only voices with a note in range are here).
    std::unordered_map<const void*, int32_t> voiceNotes_;
    // The voice whose note-on a sounding note number belongs to; null when silent.
    std::array<const void*, MIDI_NOTE_COUNT> owners_{};
    std::vector<MidiSink*> sinks_;
};

}  // namespace chordlane
