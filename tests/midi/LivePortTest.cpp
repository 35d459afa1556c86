// The live MIDI port for real: a script plays through the program's own engine with the
// port as a destination of its notes, and a second MIDI client reads them back from the
// port. On JACK (make test starts a private server on the dummy driver) and on the ALSA
// sequencer where the machine has one; a system that is not there is skipped, not failed.
#include <RtMidi.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

#include "app/midi/MidiNotes.h"
#include "app/midi/MidiNotesPort.h"
#include "app/midi/MidiNotesTrace.h"
#include "platform/rtmidi/RtMidiOutput.h"
#include "tests/support/JackMidiReader.h"
#include "tools/OfflineEngine.h"
#include "tools/ScriptRunner.h"
#include "tools/ToolLoad.h"
#include "tools/ToolSession.h"

namespace chordlane::test {
namespace {

using Message = std::vector<uint8_t>;

// What a sink heard, as the bytes the port should carry.
class HeardSink : public MidiSink {
  public:
    void NoteOn(uint32_t, uint8_t note, uint8_t velocity) override {
        heard.push_back({0x90, note, velocity});
    }
    void NoteOff(uint32_t, uint8_t note) override { heard.push_back({0x80, note, 64}); }
    std::vector<Message> heard;
};

// A second client of the ALSA sequencer, connected to the port: collects what arrives.
class AlsaReader {
  public:
    explicit AlsaReader(const std::string& portName)
        : in_(RtMidi::LINUX_ALSA, "chordlane-test-reader") {
        in_.setCallback(&AlsaReader::Received, this);
        for (unsigned i = 0; i < in_.getPortCount(); ++i) {
            if (in_.getPortName(i).find(portName) != std::string::npos) {
                in_.openPort(i, "in");
                return;
            }
        }
        error_ = "no port named " + portName;
    }
    const std::string& Error() const { return error_; }

    //! Waits up to timeout for count messages; answers all that came.
    std::vector<Message> Wait(size_t count, std::chrono::milliseconds timeout) {
        std::unique_lock lock(mutex_);
        arrived_.wait_for(lock, timeout, [&] { return received_.size() >= count; });
        return received_;
    }

  private:
    static void Received(double, std::vector<unsigned char>* message, void* self) {
        auto* reader = static_cast<AlsaReader*>(self);
        std::lock_guard lock(reader->mutex_);
        reader->received_.emplace_back(message->begin(), message->end());
        reader->arrived_.notify_all();
    }

    RtMidiIn in_;
    std::string error_;
    std::mutex mutex_;
    std::condition_variable arrived_;
    std::vector<Message> received_;
};

// The performance, played with the port (and a record of what the tracker sent) as the
// destinations of its notes; answers what was sent.
std::vector<Message> Perform(MidiOutput& port) {
    // The built-in guitar: a strum over six strings, then chord G by key while they ring.
    tool::ToolSession session({});
    tool::OfflineEngine engine(session.Platform(), session.GetInstrument(), {});
    MidiNoteTracker notes;
    MidiNotesPort live(port);
    HeardSink heard;
    notes.AddSink(live);
    notes.AddSink(heard);
    MidiNotesTrace trace(notes, session.Platform().clock);
    tool::ScopedService<EventTrace> installed(session.GetInstrument().trace, &trace);
    EXPECT_EQ(tool::LoadForTool(session, "!", {}), 0);
    const tool::ScriptParse script =
        tool::ParseScript("strum 20 296 220 296 200 10\nwait 1500\nkey 50\nwait 500\n");
    EXPECT_TRUE(script.script) << script.error;
    tool::ScriptRunner(engine.View(), session.Platform().clock, session.Platform().dialogs)
        .Run(*script.script);
    notes.EndAll(session.Platform().clock.TickCount());
    EXPECT_EQ(live.Failures(), 0u);
    return heard.heard;
}

constexpr std::chrono::seconds kPatience{5};

class LivePortTest : public ::testing::TestWithParam<MidiSystem> {};

TEST_P(LivePortTest, AScriptedPerformanceArrivesAtAnotherClientNoteForNote) {
    const MidiSystem system = GetParam();
    const MidiAvailability available = RtMidiOutput::Probe(system);
    if (!available.Available()) {
        GTEST_SKIP() << RtMidiOutput::SystemName(system) << ": " << available.reason;
    }
    // The private JACK server has no other Chordlane; a desktop's sequencer may have one.
    MidiPortConfig config{.system = system};
    if (system == MidiSystem::AlsaSequencer) config.name += " test " + std::to_string(getpid());
    RtMidiOutput::Opened opened = RtMidiOutput::Open(config);
    ASSERT_TRUE(opened.port) << opened.error;
    EXPECT_EQ(opened.port->System(), system);
    std::vector<Message> sent, received;
    if (system == MidiSystem::Jack) {
        JackMidiReader reader(config.name + ":" + config.name);
        ASSERT_EQ(reader.Error(), "");
        sent = Perform(*opened.port);
        received = reader.Wait(sent.size(), kPatience);
    } else {
        AlsaReader reader(config.name + ":" + config.name.substr(0, 9));
        ASSERT_EQ(reader.Error(), "");
        sent = Perform(*opened.port);
        received = reader.Wait(sent.size(), kPatience);
    }
    // Six strings, then G's six notes after ending those still sounding, then the end.
    ASSERT_GE(sent.size(), 18u);
    EXPECT_EQ(sent.front(), (Message{0x90, 40, 76}));  // E2 at the first string's volume
    EXPECT_EQ(received, sent);
}

INSTANTIATE_TEST_SUITE_P(Systems, LivePortTest,
                         ::testing::Values(MidiSystem::Jack, MidiSystem::AlsaSequencer),
                         [](const auto& info) {
                             return info.param == MidiSystem::Jack ? "Jack" : "AlsaSequencer";
                         });

}  // namespace
}  // namespace chordlane::test
