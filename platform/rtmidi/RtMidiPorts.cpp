#include "platform/rtmidi/RtMidiPorts.h"

#include "platform/rtmidi/RtMidiOutput.h"

namespace chordlane {

MidiAvailability RtMidiPorts::Probe() { return RtMidiOutput::Probe(); }

MidiPorts::Opened RtMidiPorts::Open(const MidiPortConfig& config) {
    RtMidiOutput::Opened opened = RtMidiOutput::Open(config);
    return {std::move(opened.port), std::move(opened.error)};
}

}  // namespace chordlane
