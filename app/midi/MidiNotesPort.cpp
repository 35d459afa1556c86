#include "app/midi/MidiNotesPort.h"

#include <algorithm>

#include "platform/MidiOutput.h"

namespace chordlane {

MidiNotesPort::MidiNotesPort(MidiOutput& port) : port_(port) {}

void MidiNotesPort::NoteOn(uint32_t, uint8_t note, uint8_t velocity) {
    // A velocity of 0 would be taken for a note-off, and data bytes have seven bits.
    Send(0x90, note, std::clamp<uint8_t>(velocity, 1, 127));
}

void MidiNotesPort::NoteOff(uint32_t, uint8_t note) { Send(0x80, note, MIDI_RELEASE_VELOCITY); }

void MidiNotesPort::Send(uint8_t status, uint8_t note, uint8_t velocity) {
    if (note >= MIDI_NOTE_COUNT) return;
    const uint8_t message[3] = {status, note, velocity};
    if (!port_.Send(message)) ++failures_;
}

}  // namespace chordlane
