#pragma once
// A Standard MIDI File of the notes a sink hears: format 0, one track, all on channel 1, 1000
// ticks a quarter note and a tempo of one quarter note a second, so one tick is one
// millisecond and the events keep the clock's times exactly.

#include <bitset>
#include <cstdint>
#include <vector>

#include "app/midi/MidiNotes.h"

namespace chordlane {

class MidiNotesFile : public MidiSink {
  public:
    //! Tick 0 of the file is the clock's startMs.
    explicit MidiNotesFile(uint32_t startMs);

    void NoteOn(uint32_t ms, uint8_t note, uint8_t velocity) override;
    //! A note-off of a note this file never began (it sounded before the file was attached)
    //! is left out.
    void NoteOff(uint32_t ms, uint8_t note) override;

    //! Ends the notes the file still holds and the track at ms, and answers the whole file.
    //! Events after this are ignored.
    std::vector<uint8_t> Finish(uint32_t ms);

  private:
    void Event(uint32_t ms, uint8_t status, uint8_t data1, uint8_t data2);
    void Delta(uint32_t ms);

    uint32_t startMs_;
    uint32_t lastTick_ = 0;
    bool finished_ = false;
    std::bitset<MIDI_NOTE_COUNT> sounding_;
    std::vector<uint8_t> track_;
};

}  // namespace chordlane
