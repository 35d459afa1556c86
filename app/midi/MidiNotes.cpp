#include "app/midi/MidiNotes.h"

#include <algorithm>

namespace chordlane {

namespace {

constexpr int32_t A4_NOTE = 69;

}  // namespace

int32_t MidiNoteTracker::NoteFor(int32_t baseNote, int32_t shift) {
    // Base notes and shifts come from instrument files and may be anything a 32-bit value
    // holds; their sum must not wrap into the valid range.
    const int64_t note = int64_t{A4_NOTE} + baseNote + shift;
    return note >= 0 && note < MIDI_NOTE_COUNT ? static_cast<int32_t>(note) : -1;
}

uint8_t MidiNoteTracker::VelocityFor(int32_t volume) {
    // Integer division truncates toward zero, so a volume of -1 is 0 before the bound.
    const int64_t velocity = (int64_t{volume} * 127 + 50) / 100;
    return static_cast<uint8_t>(std::clamp<int64_t>(velocity, 1, 127));
}

void MidiNoteTracker::AddSink(MidiSink& sink) {
    if (std::find(sinks_.begin(), sinks_.end(), &sink) == sinks_.end()) sinks_.push_back(&sink);
}

void MidiNoteTracker::RemoveSink(MidiSink& sink) {
    sinks_.erase(std::remove(sinks_.begin(), sinks_.end(), &sink), sinks_.end());
}

void MidiNoteTracker::VoiceStarted(const void* voice, int32_t note, int32_t volume, uint32_t ms) {
    VoiceEnded(voice, ms);
    if (note < 0 || note >= MIDI_NOTE_COUNT) return;
    if (owners_[note]) {
        // Another voice holds this number: its note ends here, and its own end later must
        // not end the note that begins now.
        NoteOff(ms, note);
        voiceNotes_.erase(owners_[note]);
    }
    owners_[note] = voice;
    voiceNotes_[voice] = note;
    const uint8_t velocity = VelocityFor(volume);
    for (MidiSink* sink : sinks_) sink->NoteOn(ms, static_cast<uint8_t>(note), velocity);
}

void MidiNoteTracker::VoiceEnded(const void* voice, uint32_t ms) {
    const auto found = voiceNotes_.find(voice);
    if (found == voiceNotes_.end()) return;
    const int32_t note = found->second;
    voiceNotes_.erase(found);
    if (owners_[note] == voice) NoteOff(ms, note);
}

void MidiNoteTracker::EndAll(uint32_t ms) {
    for (int32_t note = 0; note < MIDI_NOTE_COUNT; ++note) {
        if (owners_[note]) NoteOff(ms, note);
    }
    voiceNotes_.clear();
}

std::vector<uint8_t> MidiNoteTracker::SoundingNotes() const {
    std::vector<uint8_t> notes;
    for (int32_t note = 0; note < MIDI_NOTE_COUNT; ++note) {
        if (owners_[note]) notes.push_back(static_cast<uint8_t>(note));
    }
    return notes;
}

void MidiNoteTracker::NoteOff(uint32_t ms, int32_t note) {
    owners_[note] = nullptr;
    for (MidiSink* sink : sinks_) sink->NoteOff(ms, static_cast<uint8_t>(note));
}

}  // namespace chordlane
