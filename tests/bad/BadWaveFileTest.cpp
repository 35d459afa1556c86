// Wave files a sound element cannot use as they are: what the user sees and hears.

#include "elements/Element.h"
#include "language/NameRegistry.h"
#include "sound/SoundElement.h"
#include "tests/bad/BadInputTest.h"

namespace chordlane::test {
namespace {

struct WaveCase {
    const char* file;
    bool loads;   // the sound element takes the file (else "Could not load")
    bool sounds;  // a voice playing it is heard
};

void PrintTo(const WaveCase& c, std::ostream* os) { *os << c.file; }

class BadWaveFileTest : public BadInputTest, public ::testing::WithParamInterface<WaveCase> {};

TEST_P(BadWaveFileTest, LoadsOrSaysItCouldNotAndNeverReadsPastTheFile) {
    const WaveCase& c = GetParam();
    CopyBad(c.file);
    const OpenResult result = Load(WriteInstrument(
        "main.clx", std::string("s n ") + c.file + " 440 2 2\nv v\n{ init\n=s v.ns n\n}\n"));
    ASSERT_EQ(result.outcome, OpenResult::Outcome::Loaded);
    ExpectBoundedLoad();

    auto* sound = static_cast<SoundElement*>(Find(u"n"));
    ASSERT_NE(sound, nullptr);
    EXPECT_EQ(sound->IsActive(), c.loads);
    if (c.loads) {
        EXPECT_TRUE(Messages().empty());
        EXPECT_EQ(sound->SampleCount(), 5);
    } else {
        EXPECT_EQ(Messages(), std::vector<std::string>{"Could not load: " + std::string(c.file) + "\n"});
    }
    EXPECT_EQ(Sounds(u"v"), c.sounds);
}

INSTANTIATE_TEST_SUITE_P(
    Catalogue, BadWaveFileTest,
    ::testing::Values(
        // No format or no data chunk in the bytes there are.
        WaveCase{"wave-20-bytes.wav", false, false},
        WaveCase{"wave-43-bytes.wav", false, false},
        // The data chunk claims 2 GiB: what the file holds plays.
        WaveCase{"wave-data-size-beyond-file.wav", true, true},
        // Chunks are found wherever they stand.
        WaveCase{"wave-list-chunk-before-data.wav", true, true},
        WaveCase{"wave-0-channels.wav", false, false},
        WaveCase{"wave-0-rate.wav", false, false},
        // Rates the mixer cannot convert load, but the output refuses them: silence.
        WaveCase{"wave-rate-4294967295.wav", true, false},
        WaveCase{"wave-rate-1.wav", true, false},
        // Only 8- and 16-bit PCM.
        WaveCase{"wave-0-bits.wav", false, false},
        WaveCase{"wave-24-bits.wav", false, false},
        WaveCase{"wave-32-bits.wav", false, false},
        WaveCase{"wave-float.wav", false, false},
        // The block align is worked out from the channels and bits, not trusted.
        WaveCase{"wave-0-block-align.wav", true, true}));

TEST_F(BadInputTest, AStarredSoundThatCannotLoadSaysNothing) {
    CopyBad("wave-20-bytes.wav");
    Load(WriteInstrument("main.clx", "s n * wave-20-bytes.wav 440 0 0\n"));
    EXPECT_TRUE(Messages().empty());
    EXPECT_FALSE(Find(u"n")->IsActive());
}

// A period of billions of values: the pitch-shifting window once took 2.9 GB and 15 s here.
TEST_F(BadInputTest, ATinyFrequencyMakesCopiesWithoutAWindowOfTheWholePeriod) {
    CopyBad("reference-440hz.wav");
    Load(WriteInstrument("main.clx", "s n reference-440hz.wav 0.00003 1 1\n"));
    ExpectBoundedLoad();
    EXPECT_LT(loadPeakBytes_, int64_t{64} << 20);
    EXPECT_EQ(static_cast<SoundElement*>(Find(u"n"))->SampleCount(), 3);
}

}  // namespace
}  // namespace chordlane::test
