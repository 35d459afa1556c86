#pragma once
// The MIDI system through RtMidi: the ALSA sequencer where the machine has one, else a
// running JACK server.
//
// Threads: any, one call at a time (the interface thread in the program).

#include "platform/MidiPorts.h"

namespace chordlane {

class RtMidiPorts : public MidiPorts {
  public:
    MidiAvailability Probe() override;
    Opened Open(const MidiPortConfig& config) override;
};

}  // namespace chordlane
