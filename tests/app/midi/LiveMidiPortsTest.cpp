// The program's live MIDI output over a MIDI system that answers from a script: what it tells
// the person, when the program's own sound is muted, and what the port is sent.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "app/midi/LiveMidi.h"
#include "tests/support/ChordlaneTest.h"

namespace chordlane::test {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

// A port that keeps every message it is sent, as hex bytes.
class KeptPort : public MidiOutput {
  public:
    explicit KeptPort(std::vector<std::string>& sent) : sent_(sent) {}
    bool Send(std::span<const uint8_t> message) override {
        std::string text;
        for (uint8_t byte : message) {
            static constexpr char HEX[] = "0123456789abcdef";
            text += HEX[byte >> 4];
            text += HEX[byte & 15];
        }
        sent_.push_back(text);
        return true;
    }
    std::string Description() const override { return "\"Chordlane\" (test)"; }

  private:
    std::vector<std::string>& sent_;
};

class ScriptedPorts : public MidiPorts {
  public:
    MidiAvailability Probe() override { return availability; }
    Opened Open(const MidiPortConfig&) override {
        if (!openError.empty()) return {nullptr, openError};
        return {std::make_unique<KeptPort>(sent), ""};
    }

    MidiAvailability availability{.system = MidiSystem::AlsaSequencer};
    std::string openError;
    std::vector<std::string> sent;
};

class LiveMidiPortsTest : public ChordlaneTest {
  protected:
    LiveMidi& Midi() {
        if (!midi_) {
            midi_.emplace(
                instrument_, platform_.clock, ports, [this](bool m) { muted.push_back(m); },
                [this](const std::string& line) { log.push_back(line); });
        }
        return *midi_;
    }

    ScriptedPorts ports;
    std::vector<bool> muted;
    std::vector<std::string> log;

  private:
    std::optional<LiveMidi> midi_;
};

TEST_F(LiveMidiPortsTest, WithoutAMidiSystemItSaysWhyOnceAndItsNotesStillFollowTheVoices) {
    ports.availability = {.system = MidiSystem::Any, .reason = "no ALSA sequencer, no JACK"};
    EXPECT_FALSE(Midi().Availability().Available());
    EXPECT_THAT(log, ElementsAre("MIDI output: none, no ALSA sequencer, no JACK"));
    // The notes are kept whatever the port, so a destination added later starts from the truth.
    EXPECT_EQ(instrument_.trace, &Midi().Trace());
    const int voice = 0;
    Midi().Notes().VoiceStarted(&voice, 60, 100, 5);
    EXPECT_THAT(Midi().Notes().SoundingNotes(), ElementsAre(60));
}

TEST_F(LiveMidiPortsTest, APortThatWillNotOpenLeavesTheOwnSoundOnAndSaysWhy) {
    ports.openError = "the sequencer refused the client";
    EXPECT_EQ(Midi().Apply({.on = true, .ownSound = false}), "the sequencer refused the client");
    EXPECT_FALSE(Midi().Current().on);
    // Never silent without the port: the person would hear nothing at all.
    EXPECT_THAT(muted, ElementsAre(false));
    EXPECT_THAT(log.back(), HasSubstr("cannot open the port: the sequencer refused the client"));
}

TEST_F(LiveMidiPortsTest, ClosingThePortEndsItsSoundingNotesThereAndBringsTheOwnSoundBack) {
    EXPECT_EQ(Midi().Apply({.on = true, .ownSound = false}), "");
    EXPECT_TRUE(Midi().Current().on);
    const int voice = 0;
    Midi().Notes().VoiceStarted(&voice, 64, 100, 10);
    Midi().Apply({.on = false, .ownSound = false});
    // Note-on of 64 at velocity 127, then its note-off as the port closes.
    EXPECT_THAT(ports.sent, ElementsAre("90407f", "804040"));
    EXPECT_THAT(muted, ElementsAre(true, false, false));
    EXPECT_EQ(Midi().PortDescription(), "");
}

}  // namespace
}  // namespace chordlane::test
