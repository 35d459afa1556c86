#include "app/midi/MidiNotesFile.h"

#include <algorithm>

namespace chordlane {

namespace {

constexpr uint8_t NOTE_OFF = 0x80;  // channel 1
constexpr uint8_t NOTE_ON = 0x90;   // channel 1
// 1000 ticks a quarter note at a quarter note a second: one tick is one millisecond. Time-code
// divisions say the same without a tempo, but many readers never implemented them and play
// such a file as a blip or not at all.
constexpr uint16_t TICKS_PER_QUARTER = 1000;
constexpr uint32_t MICROSECONDS_PER_QUARTER = 1000000;

void Append32(std::vector<uint8_t>& out, uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<uint8_t>(value >> shift));
}

void Append16(std::vector<uint8_t>& out, uint16_t value) {
    out.push_back(static_cast<uint8_t>(value >> 8));
    out.push_back(static_cast<uint8_t>(value));
}

// A variable-length quantity: seven bits a byte, most significant first, every byte but
// the last with its top bit set. 32-bit values need up to five bytes.
void AppendVariable(std::vector<uint8_t>& out, uint32_t value) {
    uint8_t bytes[5];
    int count = 0;
    do {
        bytes[count++] = static_cast<uint8_t>(value & 0x7F);
        value >>= 7;
    } while (value != 0);
    while (count > 1) out.push_back(static_cast<uint8_t>(bytes[--count] | 0x80));
    out.push_back(bytes[0]);
}

}  // namespace

MidiNotesFile::MidiNotesFile(uint32_t startMs) : startMs_(startMs) {
    // Set Tempo at time 0: readers assume 120 beats a minute without it, twice our speed.
    track_.insert(track_.end(), {0x00, 0xFF, 0x51, 0x03});
    for (int shift = 16; shift >= 0; shift -= 8)
        track_.push_back(static_cast<uint8_t>(MICROSECONDS_PER_QUARTER >> shift));
}

void MidiNotesFile::NoteOn(uint32_t ms, uint8_t note, uint8_t velocity) {
    if (finished_ || note >= MIDI_NOTE_COUNT) return;
    // A velocity of 0 would read back as a note-off, and data bytes have seven bits.
    Event(ms, NOTE_ON, note, std::clamp<uint8_t>(velocity, 1, 127));
    sounding_.set(note);
}

void MidiNotesFile::NoteOff(uint32_t ms, uint8_t note) {
    if (finished_ || note >= MIDI_NOTE_COUNT || !sounding_.test(note)) return;
    Event(ms, NOTE_OFF, note, MIDI_RELEASE_VELOCITY);
    sounding_.reset(note);
}

std::vector<uint8_t> MidiNotesFile::Finish(uint32_t ms) {
    for (uint8_t note = 0; note < MIDI_NOTE_COUNT; ++note) NoteOff(ms, note);
    if (!finished_) {
        Delta(ms);
        track_.insert(track_.end(), {0xFF, 0x2F, 0x00});
        finished_ = true;
    }
    std::vector<uint8_t> file;
    file.reserve(22 + track_.size());
    file.insert(file.end(), {'M', 'T', 'h', 'd'});
    Append32(file, 6);
    Append16(file, 0);  // format 0
    Append16(file, 1);  // one track
    Append16(file, TICKS_PER_QUARTER);
    file.insert(file.end(), {'M', 'T', 'r', 'k'});
    Append32(file, static_cast<uint32_t>(track_.size()));
    file.insert(file.end(), track_.begin(), track_.end());
    return file;
}

void MidiNotesFile::Event(uint32_t ms, uint8_t status, uint8_t data1, uint8_t data2) {
    Delta(ms);
    // Every event keeps its status byte: a reader needs no running-status state, and the
    // file stays easy to check by eye.
    track_.insert(track_.end(), {status, data1, data2});
}

void MidiNotesFile::Delta(uint32_t ms) {
    // Ticks count from the start in wrapping 32-bit arithmetic, as tick counts do; an event
    // that claims to be earlier than the last one is placed with it.
    const uint32_t tick = ms - startMs_;
    const uint32_t delta = tick >= lastTick_ ? tick - lastTick_ : 0;
    if (tick > lastTick_) lastTick_ = tick;
    AppendVariable(track_, delta);
}

}  // namespace chordlane
