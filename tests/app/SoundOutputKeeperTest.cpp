// The keeper of the sound output over outputs that fail and come back on command: what a
// person is told, which output plays, and that two never pull the mixer at once.
#include <gmock/gmock.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "app/SoundOutputKeeper.h"

namespace chordlane {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

struct Outputs {
    int playing = 0;  // outputs made and not stopped
    int mostPlaying = 0;
    bool deviceThere = true;
    int opened = 0;
    std::vector<std::string> notices;
};

class FakeOutput : public AudioOutput {
  public:
    FakeOutput(Outputs& outputs, std::string name) : outputs_(outputs), name_(std::move(name)) {
        outputs_.mostPlaying = std::max(outputs_.mostPlaying, ++outputs_.playing);
    }
    ~FakeOutput() override { Stop(); }
    uint32_t Rate() const override { return 48000; }
    std::string Describe() const override { return name_; }
    void Stop() override {
        if (!stopped_) --outputs_.playing;
        stopped_ = true;
    }
    uint64_t Underruns() const override { return underruns; }
    bool Failed() override { return failed; }
    std::string FailureReason() const override { return reason; }

    bool failed = false;
    std::string reason;
    uint64_t underruns = 0;

  private:
    Outputs& outputs_;
    std::string name_;
    bool stopped_ = false;
};

class SoundOutputKeeperTest : public ::testing::Test {
  protected:
    SoundOutputKeeper keeper{
        [this](bool fallback) {
            AudioOpenResult result;
            if (outputs.deviceThere) {
                result.output = std::make_unique<FakeOutput>(outputs, "device");
                ++outputs.opened;
            } else if (fallback) {
                result.output = std::make_unique<FakeOutput>(outputs, "null");
                result.silent = true;
                result.problem = "No sound output: nothing there.";
            } else {
                result.problem = "nothing there";
            }
            return result;
        },
        [this] { return std::make_unique<FakeOutput>(outputs, "null"); },
        [this](const std::string& text, bool lasting) {
            outputs.notices.push_back((lasting ? "lasting: " : "over: ") + text);
        }};
    FakeOutput& Current() { return static_cast<FakeOutput&>(keeper.Output()); }
    Outputs outputs;
};

TEST_F(SoundOutputKeeperTest, ALostDeviceIsToldOncePlaysOnSilentlyAndComesBackByItself) {
    keeper.Open();
    EXPECT_FALSE(keeper.Silent());
    EXPECT_TRUE(outputs.notices.empty());
    keeper.Tick();  // healthy: nothing happens
    EXPECT_EQ(outputs.opened, 1);

    Current().failed = true;
    Current().reason = "its server quit";
    outputs.deviceThere = false;
    keeper.Tick();
    EXPECT_TRUE(keeper.Silent());
    EXPECT_EQ(keeper.Output().Describe(), "null");
    keeper.Tick();
    keeper.Tick();  // still away: nothing more is said, the null output plays on
    EXPECT_EQ(keeper.Output().Describe(), "null");
    ASSERT_EQ(outputs.notices.size(), 1u);
    EXPECT_THAT(outputs.notices[0],
                HasSubstr("lasting: Sound output lost (device: its server quit)"));
    EXPECT_EQ(keeper.Problem().empty(), false);

    outputs.deviceThere = true;
    keeper.Tick();
    EXPECT_FALSE(keeper.Silent());
    EXPECT_EQ(keeper.Output().Describe(), "device");
    EXPECT_TRUE(keeper.Problem().empty());
    EXPECT_THAT(outputs.notices.back(), HasSubstr("over: Sound output is back (device)"));
    EXPECT_EQ(outputs.mostPlaying, 1);
    keeper.Stop();
    EXPECT_EQ(outputs.playing, 0);
}

TEST_F(SoundOutputKeeperTest, AnOutputMissingAtStartIsTakenUpWhenItAppears) {
    outputs.deviceThere = false;
    keeper.Open();
    EXPECT_TRUE(keeper.Silent());
    EXPECT_THAT(outputs.notices, ElementsAre("lasting: No sound output: nothing there."));
    keeper.Tick();
    EXPECT_TRUE(keeper.Silent());
    outputs.deviceThere = true;
    keeper.Tick();
    EXPECT_FALSE(keeper.Silent());
    EXPECT_EQ(outputs.notices.size(), 2u);
    EXPECT_EQ(outputs.mostPlaying, 1);
}

TEST_F(SoundOutputKeeperTest, UnderrunsOfOutputsAlreadyClosedStillCount) {
    keeper.Open();
    Current().underruns = 3;
    Current().failed = true;
    keeper.Tick();  // the device goes, saying no why: its three stay counted
    EXPECT_THAT(keeper.Problem(), HasSubstr("Sound output lost (device); trying"));
    Current().underruns = 1;
    EXPECT_EQ(keeper.Underruns(), 4u);
    keeper.Tick();  // back
    Current().underruns = 2;
    EXPECT_EQ(keeper.Underruns(), 6u);
}

}  // namespace
}  // namespace chordlane
