#include "elements/VoiceElement.h"

#include <algorithm>

#include "elements/EventTrace.h"
#include "elements/GroupElement.h"
#include "elements/Instrument.h"
#include "elements/NameRegistry.h"
#include "elements/SoundElement.h"
#include "sound/Sample.h"

namespace chordlane {

namespace {

// Volumes are 32-bit integers that wrap, whatever the instrument file puts into them.
int32_t Wrap(int64_t v) { return static_cast<int32_t>(static_cast<uint32_t>(v)); }

GroupElement* FindGroup(const NameRegistry& names, const String& name) {
    return dynamic_cast<GroupElement*>(names.Lookup(name));
}

}  // namespace

VoiceElement::VoiceElement(Instrument& owner, String name)
    : IndexedElement(owner, std::move(name)), channel_(owner.playback, this) {
    VoiceElement::Reset();
}

VoiceElement::~VoiceElement() {
    // At unload the registry is already empty and this finds nothing.
    for (const String& group : joined_) {
        if (GroupElement* g = FindGroup(Owner().names, group)) g->Remove(this);
    }
}

void VoiceElement::Reset() {
    active_ = false;
    noteShift_ = NO_VALUE;
    volumeAdd_ = 0;
    volumeScale_ = 50;
    lengthScale_ = 100;
    sample_ = nullptr;
}

int32_t VoiceElement::VolumeFor(int32_t value) const {
    const Instrument& app = Owner();
    const int32_t v = app.options.speedVolume ? value : 50;
    const int32_t scale = Wrap(int64_t{volumeScale_} + app.variables.vM);
    const int32_t scaled = Wrap(int64_t{scale} * v) / 100;
    return Wrap(int64_t{volumeAdd_} + scaled + app.variables.vA);
}

void VoiceElement::Trigger(int32_t value, Element* source) {
    if (!sample_) sample_ = Owner().names.FindSound(sampleName_, noteShift_);
    if (!sample_) return;
    if (value == NO_VALUE) {
        // Logged first: the channel tells the sound's end to its source while it stops, and
        // that end follows from the release.
        if (EventTrace* trace = Owner().trace) trace->Stop(*this);
        channel_.Stop(false);
        Owner().names.StopPlaying(this);
        return;
    }
    const int32_t volume = VolumeFor(value);
    // The length follows the strength whatever the Speed -> Volume option says.
    const int32_t length = Wrap(int64_t{value} * lengthScale_) / 100;
    const bool started = channel_.Start(sample_, volume, length, source);
    if (started && sample_->owner) {
        if (EventTrace* trace = Owner().trace) {
            trace->Start(*this, *sample_->owner, sample_->shift, volume, channel_.Level());
        }
    }
    Owner().names.StartPlaying(this);
}

void VoiceElement::SetInt(const String& property, int32_t value) {
    if (property == u"dm") {
        lengthScale_ = value;
    } else if (property == u"ns") {
        noteShift_ = value;
        sample_ = nullptr;
    } else if (property == u"va") {
        volumeAdd_ = value;
    } else if (property == u"vm") {
        volumeScale_ = value;
    }
}

int32_t VoiceElement::GetInt(const String& property) {
    if (property == u"dm") return lengthScale_;
    if (property == u"ns") return noteShift_;
    if (property == u"va") return volumeAdd_;
    if (property == u"vm") return volumeScale_;
    return NO_VALUE;
}

void VoiceElement::SetString(const String& property, const String& value) {
    if (property == u"ns") {
        sampleName_ = value;
        sample_ = nullptr;
    } else if (property == u"ng") {
        // Only a group can be joined; a name that finds nothing else changes nothing.
        GroupElement* group = FindGroup(Owner().names, value);
        if (!group) return;
        // Joining the same group again would make one trigger of it play this voice twice.
        // And only this voice joins: its name can find another element (a group of the same
        // name, or the element a panel's prefixed name falls back to), and a group that took
        // in itself would trigger itself without end.
        if (!group->Contains(this) && Owner().names.Lookup(Name()) == this)
            group->AddByName(Name());
        if (std::find(joined_.begin(), joined_.end(), value) == joined_.end()) {
            joined_.push_back(value);
        }
        groupName_ = value;
    }
}

int32_t VoiceElement::GetKind() const { return KIND_VOICE; }

void VoiceElement::OnChannelDone(SoundListener* source) {
    // Every source a voice plays for is an element (the button or action that struck).
    auto* element = dynamic_cast<Element*>(source);
    if (EventTrace* trace = Owner().trace) trace->Done(*this, element);
    if (source) source->OnSoundDone();
}

}  // namespace chordlane
