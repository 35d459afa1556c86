#include "app/midi/LiveMidi.h"

#include "elements/Instrument.h"
#include "platform/Clock.h"

namespace chordlane {

LiveMidi::LiveMidi(Instrument& instrument, Clock& clock, MidiPorts& ports,
                   std::function<void(bool)> mute, std::function<void(const std::string&)> log)
    : instrument_(&instrument),
      clock_(clock),
      ports_(ports),
      mute_(std::move(mute)),
      log_(std::move(log)),
      available_(ports_.Probe()),
      trace_(notes_, clock_) {
    if (!available_.Available()) log_("MIDI output: none, " + available_.reason);
    // The notes follow the voices whether or not the port is open, so that any destination
    // added later starts from the truth. The program installs no other trace.
    instrument_->trace = &trace_;
}

void LiveMidi::Follow(Instrument& now) {
    instrument_ = &now;
    instrument_->trace = &trace_;
}

LiveMidi::~LiveMidi() {
    Close();
    EndNotes();
    if (instrument_->trace == &trace_) instrument_->trace = nullptr;
}

std::string LiveMidi::Apply(const MidiOutChoice& choice) {
    std::string error;
    if (choice.on && !port_) {
        MidiPorts::Opened opened = ports_.Open({});
        if (opened.port) {
            port_ = std::move(opened.port);
            sink_ = std::make_unique<MidiNotesPort>(*port_);
            notes_.AddSink(*sink_);
            log_("MIDI output: port " + port_->Description());
        } else {
            error = opened.error;
            log_("MIDI output: cannot open the port: " + error);
        }
    } else if (!choice.on && port_) {
        Close();
        log_("MIDI output: off");
    }
    current_ = {.on = port_ != nullptr, .ownSound = choice.ownSound};
    // Never silent without the port: the person would hear nothing at all.
    mute_(current_.on && !current_.ownSound);
    return error;
}

std::string LiveMidi::PortDescription() const { return port_ ? port_->Description() : ""; }

void LiveMidi::EndNotes() { notes_.EndAll(clock_.TickCount()); }

void LiveMidi::Close() {
    if (!port_) return;
    // The port's listeners must not keep notes hanging; other destinations keep theirs.
    for (uint8_t note : notes_.SoundingNotes()) sink_->NoteOff(clock_.TickCount(), note);
    notes_.RemoveSink(*sink_);
    sink_.reset();
    port_.reset();
    mute_(false);
}

}  // namespace chordlane
