#pragma once
// The program's live MIDI output: finds out at start-up whether a MIDI system is there,
// opens and closes the port "Chordlane" as the choice says, feeds it the notes of the
// instrument's voices on the user-interface thread (where voices start and end), and mutes
// the program's own sound when asked to.
//
// Threads: interface thread only; nothing of it runs in the audio callback.

#include <functional>
#include <memory>
#include <string>

#include "app/Settings.h"
#include "app/midi/MidiNotes.h"
#include "app/midi/MidiNotesPort.h"
#include "app/midi/MidiNotesTrace.h"
#include "platform/MidiPorts.h"

namespace chordlane {

class Clock;
class Instrument;

class LiveMidi {
  public:
    //! ports is the machine's MIDI system, which must outlive this; mute silences or restores
    //! the program's own sound; log gets the lines --verbose shows.
    LiveMidi(Instrument& instrument, Clock& clock, MidiPorts& ports, std::function<void(bool)> mute,
             std::function<void(const std::string&)> log);
    //! Ends the notes still sounding and closes the port.
    ~LiveMidi();
    LiveMidi(const LiveMidi&) = delete;
    LiveMidi& operator=(const LiveMidi&) = delete;

    //! Whether a MIDI system was found at start-up, and why not.
    const MidiAvailability& Availability() const { return available_; }
    //! Opens or closes the port and mutes as the choice says; answers why the port could not
    //! be opened (then it stays off and the own sound plays), or empty.
    std::string Apply(const MidiOutChoice& choice);
    //! What is in effect now (on only while the port is open).
    const MidiOutChoice& Current() const { return current_; }
    //! "Chordlane" (ALSA sequencer), or empty while off.
    std::string PortDescription() const;
    //! Ends every note still sounding, e.g. before the instrument is replaced.
    void EndNotes();
    //! A reload put now on show: its voices feed the notes, and it is the one whose trace is
    //! taken out when this goes. (A replaced instrument ringing out keeps the trace, so its
    //! notes still end; it must go before this does.)
    void Follow(Instrument& now);
    //! The notes: another destination (a recording's file) may listen from here.
    MidiNoteTracker& Notes() { return notes_; }
    //! What feeds the notes; a second instrument alive beside the first (a reload) takes
    //! it as its trace too, so its voices reach the same port.
    EventTrace& Trace() { return trace_; }

  private:
    void Close();

    Instrument* instrument_;  // the one on show
    Clock& clock_;
    MidiPorts& ports_;
    std::function<void(bool)> mute_;
    std::function<void(const std::string&)> log_;
    MidiAvailability available_;
    MidiOutChoice current_;
    MidiNoteTracker notes_;
    MidiNotesTrace trace_;
    std::unique_ptr<MidiOutput> port_;
    std::unique_ptr<MidiNotesPort> sink_;
};

}  // namespace chordlane
