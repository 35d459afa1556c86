#include "platform/rtmidi/RtMidiOutput.h"

#include <RtMidi.h>
#include <jack/jack.h>
#include <unistd.h>

namespace chordlane {

namespace {

// The ALSA library prints its own complaint when the sequencer device is missing; asking
// the file system first keeps a machine without one quiet.
constexpr char SEQUENCER_DEVICE[] = "/dev/snd/seq";

void KeepError(RtMidiError::Type type, const std::string& text, void* target) {
    // Warnings are problems too here: RtMidi says "JACK server not running?" as a warning
    // and then carries on without a client.
    (void)type;
    *static_cast<std::string*>(target) = text;
}

void SilentJack(const char*) {}

// Whether a JACK server answers, asked of the JACK library itself: RtMidi's JACK client
// prints its own warning on standard error when none runs, before any error callback can be
// set, and the library prints pages of its own. Neither starts a server.
bool JackServerRuns() {
    jack_set_error_function(&SilentJack);
    jack_set_info_function(&SilentJack);
    jack_status_t status{};
    jack_client_t* client = jack_client_open("Chordlane probe", JackNoStartServer, &status);
    if (!client) return false;
    jack_client_close(client);
    return true;
}

RtMidi::Api ApiOf(MidiSystem system) {
    return system == MidiSystem::Jack ? RtMidi::UNIX_JACK : RtMidi::LINUX_ALSA;
}

// A client of the system, with errors kept in error instead of thrown or printed; null
// (and error said) when even that fails.
std::unique_ptr<RtMidiOut> MakeClient(MidiSystem system, const std::string& name,
                                      std::string& error) {
    if (system == MidiSystem::AlsaSequencer && access(SEQUENCER_DEVICE, R_OK | W_OK) != 0) {
        error = "no ALSA sequencer (" + std::string(SEQUENCER_DEVICE) + " cannot be opened)";
        return nullptr;
    }
    if (system == MidiSystem::Jack && !JackServerRuns()) {
        error = "no JACK server is running";
        return nullptr;
    }
    try {
        auto out = std::make_unique<RtMidiOut>(ApiOf(system), name);
        out->setErrorCallback(KeepError, &error);
        if (system == MidiSystem::Jack) {
            // Connects to the server, without starting one.
            out->getPortCount();
            if (!error.empty()) {
                error = "no JACK server is running";
                return nullptr;
            }
        }
        return out;
    } catch (const RtMidiError& e) {
        error = e.getMessage();
        return nullptr;
    }
}

}  // namespace

const char* RtMidiOutput::SystemName(MidiSystem system) {
    switch (system) {
        case MidiSystem::AlsaSequencer:
            return "ALSA sequencer";
        case MidiSystem::Jack:
            return "JACK";
        case MidiSystem::Any:
            break;
    }
    return "none";
}

MidiAvailability RtMidiOutput::Probe(MidiSystem wanted) {
    std::string alsaError, jackError;
    if (wanted != MidiSystem::Jack) {
        auto client = MakeClient(MidiSystem::AlsaSequencer, "Chordlane", alsaError);
        // The error callback points at alsaError, which outlives the client.
        if (client) return {MidiSystem::AlsaSequencer, ""};
    }
    if (wanted != MidiSystem::AlsaSequencer) {
        auto client = MakeClient(MidiSystem::Jack, "Chordlane", jackError);
        if (client) return {MidiSystem::Jack, ""};
    }
    if (wanted == MidiSystem::AlsaSequencer) return {MidiSystem::Any, alsaError};
    if (wanted == MidiSystem::Jack) return {MidiSystem::Any, jackError};
    return {MidiSystem::Any, "no ALSA sequencer and no JACK server"};
}

RtMidiOutput::Opened RtMidiOutput::Open(const MidiPortConfig& config) {
    MidiSystem system = config.system;
    if (system == MidiSystem::Any) {
        const MidiAvailability found = Probe();
        if (!found.Available()) return {nullptr, found.reason};
        system = found.system;
    }
    std::string error;
    std::unique_ptr<RtMidiOut> out = MakeClient(system, config.name, error);
    if (!out) return {nullptr, error};
    std::unique_ptr<RtMidiOutput> port(new RtMidiOutput(std::move(out), system, config.name));
    port->out_->openVirtualPort(config.name);
    if (!port->lastError_.empty()) return {nullptr, port->lastError_};
    return {std::move(port), ""};
}

RtMidiOutput::RtMidiOutput(std::unique_ptr<RtMidiOut> out, MidiSystem system, std::string name)
    : out_(std::move(out)), system_(system), name_(std::move(name)) {
    // From now on errors land in this object, which outlives the client.
    out_->setErrorCallback(KeepError, &lastError_);
}

RtMidiOutput::~RtMidiOutput() = default;

bool RtMidiOutput::Send(std::span<const uint8_t> message) {
    if (message.empty()) return false;
    lastError_.clear();
    out_->sendMessage(message.data(), message.size());
    return lastError_.empty();
}

std::string RtMidiOutput::Description() const {
    return "\"" + name_ + "\" (" + SystemName(system_) + ")";
}

}  // namespace chordlane
