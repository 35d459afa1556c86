#pragma once
// The machine's MIDI system as the program meets it: whether an output port can be opened,
// on which system, and opening one. The live MIDI output asks it at start-up and whenever
// the person turns the port on.

#include <memory>
#include <string>

#include "platform/MidiOutput.h"

namespace chordlane {

enum class MidiSystem { Any, AlsaSequencer, Jack };

struct MidiPortConfig {
    std::string name = "Chordlane";  // the client's and the port's name
    MidiSystem system = MidiSystem::Any;
};

// Whether a port can be opened now, and on which system; or why not.
struct MidiAvailability {
    MidiSystem system = MidiSystem::Any;  // Any: none is available
    std::string reason{};                 // when none is: for the person
    bool Available() const { return system != MidiSystem::Any; }
};

class MidiPorts {
  public:
    // An opened port, or why it could not be opened.
    struct Opened {
        std::unique_ptr<MidiOutput> port;
        std::string error;
    };

    virtual ~MidiPorts() = default;
    //! Whether a port can be opened now, without starting any server to find out.
    virtual MidiAvailability Probe() = 0;
    //! Opens an output port as the config asks.
    virtual Opened Open(const MidiPortConfig& config) = 0;
};

}  // namespace chordlane
