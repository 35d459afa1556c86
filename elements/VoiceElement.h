#pragma once
#include <cstdint>
#include <vector>

#include "elements/Element.h"
#include "sound/SoundChannel.h"

namespace chordlane {

class Sample;

// One playable note: names a sample ("ns" as text) and a transposition ("ns" as a number),
// has volume and length settings, and owns the channel it plays on. A trigger with a
// strength starts the note, a trigger with NO_VALUE releases it. "ng" joins a group, so
// that the group plays this voice together with its other members.
class VoiceElement : public IndexedElement, private ChannelOwner {
  public:
    explicit VoiceElement(Instrument& owner, String name);
    ~VoiceElement() override;

    const char* ClassName() const override { return "VoiceElement"; }
    void Reset() override;
    //! Starts the note with the strength value, or releases it on NO_VALUE.
    void Trigger(int32_t value, Element* source) override;
    //! "dm", "ns" (the shift; forgets the resolved sample), "va", "vm".
    void SetInt(const String& property, int32_t value) override;
    int32_t GetInt(const String& property) override;
    //! "ns" names the sample; "ng" joins the registered group of that name.
    void SetString(const String& property, const String& value) override;
    int32_t GetKind() const override;

    //! The volume a trigger of strength value plays at, before the channel clamps it.
    int32_t VolumeFor(int32_t value) const;

    const String& SampleName() const { return sampleName_; }
    const String& GroupName() const { return groupName_; }
    Sample* ResolvedSample() const { return sample_; }
    const SoundChannel& Channel() const { return channel_; }

  private:
    //! Logs the end for the event log, then tells the source.
    void OnChannelDone(SoundListener* source) override;

    String sampleName_;
    String groupName_;
    int32_t noteShift_ = NO_VALUE;
    int32_t volumeAdd_ = 0;
    int32_t volumeScale_ = 50;
    int32_t lengthScale_ = 100;
    SoundChannel channel_;
    Sample* sample_ = nullptr;
    // Every group joined, so that the voice leaves each of them when it goes.
    std::vector<String> joined_;
};

}  // namespace chordlane
