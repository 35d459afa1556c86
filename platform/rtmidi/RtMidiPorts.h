#pragma once
// The MIDI system through RtMidi: the ALSA sequencer where the machine has one, else a
// running JACK server.

#include "platform/MidiPorts.h"

namespace chordlane {

class RtMidiPorts : public MidiPorts {
  public:
    MidiAvailability Probe() override;
    Opened Open(const MidiPortConfig& config) override;
};

}  // namespace chordlane
