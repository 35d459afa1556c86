#pragma once
// The live MIDI port through RtMidi: an output port of the ALSA sequencer where the machine
// has one, else a JACK MIDI port where a JACK (or PipeWire's JACK) server runs.
//
// Threads: one thread at a time (the interface thread in the program); Send writes to the
// port from the caller's thread, never from the audio callback.

#include <memory>
#include <string>

#include "platform/MidiOutput.h"
#include "platform/MidiPorts.h"

class RtMidiOut;

namespace chordlane {

class RtMidiOutput : public MidiOutput {
  public:
    // An opened port, or why it could not be opened.
    struct Opened {
        std::unique_ptr<RtMidiOutput> port;
        std::string error;
    };

    //! Looks for an ALSA sequencer, then for a running JACK server (without starting one).
    static MidiAvailability Probe(MidiSystem wanted = MidiSystem::Any);
    //! Opens the port on the system the config asks for (Any: as Probe finds it).
    static Opened Open(const MidiPortConfig& config);
    //! "ALSA sequencer" or "JACK".
    static const char* SystemName(MidiSystem system);

    ~RtMidiOutput() override;
    RtMidiOutput(const RtMidiOutput&) = delete;
    RtMidiOutput& operator=(const RtMidiOutput&) = delete;

    bool Send(std::span<const uint8_t> message) override;
    std::string Description() const override;
    MidiSystem System() const { return system_; }

  private:
    RtMidiOutput(std::unique_ptr<RtMidiOut> out, MidiSystem system, std::string name);

    std::unique_ptr<RtMidiOut> out_;
    MidiSystem system_;
    std::string name_;
    // The last problem RtMidi reported through its error callback; cleared before each call
    // that may fail, so a failure is known from it rather than from an exception.
    std::string lastError_;
};

}  // namespace chordlane
