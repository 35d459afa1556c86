#pragma once
// The tracker's notes sent live on a MIDI output port, as they happen: note-on and note-off
// messages on channel 1.

#include "app/midi/MidiNotes.h"

namespace chordlane {

class MidiOutput;

class MidiNotesPort : public MidiSink {
  public:
    //! port is not owned and must outlive this.
    explicit MidiNotesPort(MidiOutput& port);

    void NoteOn(uint32_t ms, uint8_t note, uint8_t velocity) override;
    void NoteOff(uint32_t ms, uint8_t note) override;

    //! How many messages the port did not take.
    uint32_t Failures() const { return failures_; }

  private:
    void Send(uint8_t status, uint8_t note, uint8_t velocity);

    MidiOutput& port_;
    uint32_t failures_ = 0;
};

}  // namespace chordlane
