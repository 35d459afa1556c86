#include "app/SoundOutputSettings.h"
#include "tests/support/ChordlaneTest.h"

namespace chordlane::test {
namespace {

class SoundOutputSettingsTest : public ChordlaneTest {};

// The choice is remembered, and a first start has the default. A settings file edited by
// hand may hold any number: a buffer the program would not offer is read as the default
// rather than handed to the device.
TEST_F(SoundOutputSettingsTest, TheChoiceIsRememberedAndABufferNotOfferedReadsAsTheDefault) {
    SettingsStore* store = &platform_.settings;
    EXPECT_EQ(ReadSoundOutput(store).device, u"");
    EXPECT_EQ(ReadSoundOutput(store).bufferFrames, 256u);
    WriteSoundOutput(store, {u"ALSA: pulse", 128});
    EXPECT_EQ(ReadSoundOutput(store).device, u"ALSA: pulse");
    EXPECT_EQ(ReadSoundOutput(store).bufferFrames, 128u);
    for (uint32_t frames : {63u, 1025u, 0xFFFFFFFFu}) {
        WriteSoundOutput(store, {u"x", frames});
        EXPECT_EQ(ReadSoundOutput(store).bufferFrames, 256u) << frames;
    }
}

}  // namespace
}  // namespace chordlane::test
