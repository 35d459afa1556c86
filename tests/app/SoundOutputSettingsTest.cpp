#include "app/SoundOutputSettings.h"
#include "tests/support/ChordlaneTest.h"

namespace chordlane::test {
namespace {

class SoundOutputSettingsTest : public ChordlaneTest {};

TEST_F(SoundOutputSettingsTest, TheChoiceIsRememberedAndAFirstStartHasTheDefault) {
    SettingsStore* store = &platform_.settings;
    const SoundOutputChoice first = ReadSoundOutput(store);
    EXPECT_EQ(first.device, u"");
    EXPECT_EQ(first.bufferFrames, 256u);
    WriteSoundOutput(store, {u"ALSA: pulse", 128});
    const SoundOutputChoice again = ReadSoundOutput(store);
    EXPECT_EQ(again.device, u"ALSA: pulse");
    EXPECT_EQ(again.bufferFrames, 128u);
    EXPECT_EQ(ReadSoundOutput(nullptr).bufferFrames, 256u);
}

// A settings file edited by hand may hold any number: a buffer the program would not offer
// is read as the default rather than handed to the device.
TEST_F(SoundOutputSettingsTest, ABufferSizeOutsideTheOfferedOnesReadsAsTheDefault) {
    SettingsStore* store = &platform_.settings;
    for (uint32_t frames : {0u, 63u, 1025u, 0xFFFFFFFFu}) {
        WriteSoundOutput(store, {u"x", frames});
        EXPECT_EQ(ReadSoundOutput(store).bufferFrames, 256u) << frames;
    }
    for (uint32_t frames : {64u, 1024u}) {
        WriteSoundOutput(store, {u"x", frames});
        EXPECT_EQ(ReadSoundOutput(store).bufferFrames, frames);
    }
}

}  // namespace
}  // namespace chordlane::test
