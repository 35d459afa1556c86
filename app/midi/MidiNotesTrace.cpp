#include "app/midi/MidiNotesTrace.h"

#include "app/midi/MidiNotes.h"
#include "elements/SoundElement.h"
#include "platform/Clock.h"

namespace chordlane {

MidiNotesTrace::MidiNotesTrace(MidiNoteTracker& tracker, Clock& clock, EventTrace* next)
    : tracker_(tracker), clock_(clock), next_(next) {}

void MidiNotesTrace::Stroke(Point from, Point to, int32_t strength, int32_t point) {
    if (next_) next_->Stroke(from, to, strength, point);
}

void MidiNotesTrace::Event(const String& name, bool found) {
    if (next_) next_->Event(name, found);
}

void MidiNotesTrace::Pressed(const Element& button, bool pressed) {
    if (next_) next_->Pressed(button, pressed);
}

void MidiNotesTrace::Start(const Element& voice, const Element& sound, int32_t shift,
                           int32_t volume, uint32_t level) {
    if (next_) next_->Start(voice, sound, shift, volume, level);
    // Only a sound element hands out samples; anything else has no pitch to name.
    const auto* soundElement = dynamic_cast<const SoundElement*>(&sound);
    const int32_t note =
        soundElement ? MidiNoteTracker::NoteFor(soundElement->BaseNote(), shift) : -1;
    tracker_.VoiceStarted(&voice, note, volume, clock_.TickCount());
}

void MidiNotesTrace::Stop(const Element& voice) {
    if (next_) next_->Stop(voice);
    tracker_.VoiceEnded(&voice, clock_.TickCount());
}

void MidiNotesTrace::Done(const Element& voice, const Element* source) {
    if (next_) next_->Done(voice, source);
    tracker_.VoiceEnded(&voice, clock_.TickCount());
}

void MidiNotesTrace::Message(const String& text) {
    if (next_) next_->Message(text);
}

}  // namespace chordlane
