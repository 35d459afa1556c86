// The program's live MIDI output on a real port: the choice opens and closes it, closing
// ends the notes still sounding at the other end, and the own sound is muted only while
// the notes go out.
#include <gtest/gtest.h>

#include "app/midi/LiveMidi.h"
#include "platform/rtmidi/RtMidiOutput.h"
#include "platform/rtmidi/RtMidiPorts.h"
#include "tests/support/JackMidiReader.h"
#include "tools/OfflineEngine.h"
#include "tools/ScriptRunner.h"
#include "tools/ToolLoad.h"
#include "tools/ToolSession.h"

namespace chordlane::test {
namespace {

using Message = JackMidiReader::Message;

TEST(LiveMidiTest, ClosingThePortEndsItsSoundingNotesAndTheOwnSoundComesBack) {
    if (RtMidiOutput::Probe(MidiSystem::Jack).system != MidiSystem::Jack ||
        RtMidiOutput::Probe().system != MidiSystem::Jack) {
        GTEST_SKIP() << "needs a JACK server and no ALSA sequencer";
    }
    tool::ToolSession session({});
    tool::OfflineEngine engine(session.Platform(), session.GetInstrument(), {});
    std::vector<bool> muted;
    std::vector<std::string> log;
    std::optional<JackMidiReader> reader;
    RtMidiPorts ports;
    {
        LiveMidi midi(
            session.GetInstrument(), session.Platform().clock, ports,
            [&muted](bool m) { muted.push_back(m); },
            [&log](const std::string& line) { log.push_back(line); });
        EXPECT_EQ(midi.Apply({.on = true, .ownSound = false}), "");
        reader.emplace("Chordlane:Chordlane");
        ASSERT_EQ(reader->Error(), "");
        ASSERT_EQ(tool::LoadForTool(session, "!", {}), 0);
        // The six strings, still ringing when the port is closed half a second later.
        const tool::ScriptParse script =
            tool::ParseScript("strum 20 296 220 296 200 10\nwait 300\n");
        ASSERT_TRUE(script.script);
        tool::ScriptRunner(engine.View(), session.Platform().clock, session.Platform().dialogs)
            .Run(*script.script);
        const std::vector<uint8_t> sounding = midi.Notes().SoundingNotes();
        ASSERT_EQ(sounding.size(), 6u);
        EXPECT_EQ(midi.Apply({.on = false, .ownSound = false}), "");

        const std::vector<Message> received = reader->Wait(12, std::chrono::seconds(5));
        ASSERT_EQ(received.size(), 12u);
        for (size_t i = 0; i < 6; ++i) {
            EXPECT_EQ(received[i][0], 0x90);
            EXPECT_EQ(received[6 + i], (Message{0x80, sounding[i], 64}));
        }
        // The tracker still follows the voices for other destinations.
        EXPECT_EQ(midi.Notes().SoundingNotes(), sounding);
    }
    // The own sound was muted only while the port was open, and the program is back to
    // having no trace in its instrument.
    ASSERT_FALSE(muted.empty());
    EXPECT_TRUE(muted.front());
    EXPECT_FALSE(muted.back());
    EXPECT_EQ(session.GetInstrument().trace, nullptr);
    EXPECT_EQ(log, (std::vector<std::string>{"MIDI output: port \"Chordlane\" (JACK)",
                                             "MIDI output: off"}));
}

}  // namespace
}  // namespace chordlane::test
