#pragma once
// A MIDI output port that other programs (a synthesiser, a sequencer) connect to. Messages
// go out as they are sent, from the thread that sends them; nothing of it runs in the audio
// callback.

#include <cstdint>
#include <span>
#include <string>

namespace chordlane {

class MidiOutput {
  public:
    virtual ~MidiOutput() = default;
    //! Sends one complete MIDI message at once; false when the port did not take it.
    virtual bool Send(std::span<const uint8_t> message) = 0;
    //! Where the port lives, for the person: its name and the MIDI system.
    virtual std::string Description() const = 0;
};

}  // namespace chordlane
