// What a load may cost: the pitch copies of its sounds within a work limit, reported by line
// where copies are left out, and the copies of reasonable instruments unchanged by it.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "sound/PitchShift.h"
#include "tests/language/InstrumentTest.h"
#include "tests/sound/SoundTestSupport.h"

namespace chordlane::test {
namespace {

uint64_t Fnv(const std::string& bytes, uint64_t hash = 0xcbf29ce484222325u) {
    for (unsigned char b : bytes) hash = (hash ^ b) * 0x100000001b3u;
    return hash;
}

std::string ShippedSound(const std::string& name) {
    std::ifstream in(std::filesystem::path(CHORDLANE_SOURCE_DIR) / "instruments" / "sounds" / name,
                     std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class LoadBoundsTest : public InstrumentTest {
  protected:
    SoundElement& Sound(std::u16string_view name) {
        auto* sound = dynamic_cast<SoundElement*>(Find(name));
        EXPECT_NE(sound, nullptr);
        return *sound;
    }
    //! One hash over the images of shifts 1 to high, in order.
    uint64_t CopiesHash(SoundElement& sound, int32_t high) {
        uint64_t hash = 0xcbf29ce484222325u;
        for (int32_t s = 1; s <= high; ++s) {
            const Sample* copy = sound.GetSample(s);
            EXPECT_NE(copy, nullptr) << s;
            if (copy) hash = Fnv(ImageOf(*copy), hash);
        }
        return hash;
    }
};

// The hashes are of the copies the program made before loads were bounded in work (the
// samples of the shipped keyboard and strummer, as chordlane-tool samples wrote them).
TEST_F(LoadBoundsTest, ReasonableCopiesToTwoOctavesUpAreTheBytesTheyAlwaysWere) {
    WriteFile("sounds/epiano-c4.wav", ShippedSound("epiano-c4.wav"));
    WriteFile("sounds/gtr-e4.wav", ShippedSound("gtr-e4.wav"));
    Load("s ep sounds/epiano-c4.wav 261.626 0 24\ns gtr sounds/gtr-e4.wav 329.628 0 21\n");
    EXPECT_EQ(listener_.reports, std::vector<std::string>{});
    EXPECT_EQ(CopiesHash(Sound(u"ep"), 24), 0xb549c413ce50ef2au);
    EXPECT_EQ(CopiesHash(Sound(u"gtr"), 21), 0x9c7bf050e3504f62u);
    // Far below the limit: a reasonable instrument never comes near it.
    EXPECT_LT(instrument_.budgets.work.Used(), instrument_.budgets.work.Limit() / 25);
}

// The shape that held loads for many seconds: one slow tone, quiet but for its end, copied
// far up by several lines. The limit here is a small one, to keep the test quick; the
// default one bounds such a load to about a second (measured with chordlane-tool --time).
TEST_F(LoadBoundsTest, CopiesPastTheWorkLimitAreLeftOutAndReportedByLine) {
    const WaveSpec form{1, 1, 8000, 16};
    WriteFile("tone.wav",
              CanonicalWave(form, Tone(form, 5, 0.55, 200) + Tone(form, 5, 0.05, 20000)));
    instrument_.budgets.work.SetLimit(int64_t{1} << 24);
    std::string body;
    for (int k = 0; k < 4; ++k) body += "s s" + std::to_string(k) + " tone.wav 5 0 127\n";
    Load(body);

    SoundElement& first = Sound(u"s0");
    int32_t made = 0;
    while (made < 127 && first.GetSample(made + 1)) ++made;
    ASSERT_GT(made, 12);
    ASSERT_LT(made, 127);
    for (int32_t s = made + 1; s <= 127; ++s) EXPECT_EQ(first.GetSample(s), nullptr) << s;
    EXPECT_NE(first.GetSample(0), nullptr);
    ASSERT_GE(listener_.reports.size(), 2u);
    EXPECT_EQ(listener_.reports[0], "main.clx:2: s: pitch copies beyond +" + std::to_string(made) +
                                        " left out: the load's work limit");
    // Every later line is reported on its own line, and the recording itself still plays.
    EXPECT_EQ(listener_.reports.size(), 4u);
    EXPECT_EQ(listener_.reports.back().rfind("main.clx:5: s: pitch copies beyond +", 0), 0u);
    EXPECT_NE(Sound(u"s3").GetSample(0), nullptr);

    // The copies made are those of the straightforward gain loop.
    auto recording = Recording(form, Tone(form, 5, 0.55, 200) + Tone(form, 5, 0.05, 20000), 5.0f);
    double r = 1.059463;
    for (int32_t s = 1; s <= made; ++s, r *= 1.059463) {
        if (s % 8 != 1 && s != made) continue;
        Sample plain;
        ASSERT_TRUE(MakeShiftedSample(plain, *recording, static_cast<float>(5.0f * r)));
        EXPECT_EQ(ImageOf(*first.GetSample(s)), ImageOf(plain)) << s;
    }
}

// Found by the grammar fuzzer: an instrument that includes itself through another file
// repeats its sound lines at every level, each with copies far up and down; the work limit
// ends the copying, line by line, however many times the lines recur. (The limit here is a
// small one, to keep the test quick.)
TEST_F(LoadBoundsTest, SoundLinesRepeatedBySelfIncludesStayWithinTheWorkLimit) {
    const String folder = FromUtf8(DataFile("grammar-slow-load").string()) + u"/";
    instrument_.load.homeFolder = folder;
    instrument_.budgets.work.SetLimit(int64_t{1} << 26);
    Open(folder + u"main.clx");
    const std::string limited =
        "main.clx:37: s: pitch copies beyond +0 left out: the load's work limit";
    EXPECT_GT(std::count(listener_.reports.begin(), listener_.reports.end(), limited), 1);
    EXPECT_LT(instrument_.budgets.work.Used(), 2 * instrument_.budgets.work.Limit());
    EXPECT_LE(instrument_.memory.samples.Held(), instrument_.memory.samples.Limit());
}

// Found by the grammar fuzzer: a 192 kHz 8-bit recording named by six lines, each with
// copies as far up and down as they go. 8-bit values are the slowest to weigh, and the gain
// loop's reruns are charged after they are spent, so this is the costliest shape per unit of
// the limit: still at most twice the limit, and every line past it is reported. (Under the
// sanitizers the full limit took close to a minute; the limit here is a small one.)
TEST_F(LoadBoundsTest, EightBitCopiesFarUpAndDownStayWithinTheWorkLimit) {
    const String folder = FromUtf8(DataFile("grammar-8bit-load").string()) + u"/";
    instrument_.load.homeFolder = folder;
    instrument_.budgets.work.SetLimit(int64_t{1} << 24);
    Open(folder + u"main.clx");
    EXPECT_LT(instrument_.budgets.work.Used(), 2 * instrument_.budgets.work.Limit());
    for (int line = 6; line <= 9; ++line) {
        const std::string up = "main.clx:" + std::to_string(line) +
                               ": s: pitch copies beyond +0 left out: the load's work limit";
        EXPECT_EQ(std::count(listener_.reports.begin(), listener_.reports.end(), up), 1) << line;
    }
    EXPECT_LE(instrument_.memory.samples.Held(), instrument_.memory.samples.Limit());
}

TEST_F(LoadBoundsTest, ANewLoadStartsWithTheWholeWorkLimit) {
    WriteFile("sounds/gtr-e4.wav", ShippedSound("gtr-e4.wav"));
    instrument_.budgets.work.SetLimit(1);
    Load("s gtr sounds/gtr-e4.wav 329.628 0 3\n");
    EXPECT_EQ(Sound(u"gtr").GetSample(1), nullptr);
    instrument_.budgets.work.SetLimit(DEFAULT_LOAD_WORK_LIMIT);
    Load("s gtr sounds/gtr-e4.wav 329.628 0 3\n");
    EXPECT_NE(Sound(u"gtr").GetSample(3), nullptr);
}

}  // namespace
}  // namespace chordlane::test
