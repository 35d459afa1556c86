// chordlane-tool render and play as a user runs them: the event log, the mix it writes, the
// image of the screen.
#include <gmock/gmock.h>

#include <QColor>
#include <QImage>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>

#include "tests/sound/SoundTestSupport.h"
#include "tests/support/ChordlaneTest.h"
#include "tests/tools/ToolRunner.h"

namespace chordlane::test {
namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;

// A 100 ms tone played by a button filling the top-left 100 x 100 pixels.
constexpr char TONE_KEY[] = R"(s tone tone.wav 440 0 0
v voice
br key 0 0 100 100
{ init
=s voice.ns tone
=s key.na voice
}
)";
constexpr uint32_t TONE_MS = 100;

struct Wav {
    uint32_t rate = 0;
    uint16_t channels = 0;
    uint16_t bits = 0;
    uint32_t dataBytes = 0;
    std::vector<int16_t> values;  // interleaved left, right
};

uint32_t Le(const std::string& b, size_t at, int bytes) {
    uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | static_cast<uint8_t>(b[at + i]);
    return v;
}

Wav ReadWav(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    const std::string b((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    Wav wav;
    if (b.size() < 44 || b.compare(0, 4, "RIFF") != 0 || b.compare(8, 8, "WAVEfmt ") != 0 ||
        b.compare(36, 4, "data") != 0 || Le(b, 4, 4) != b.size() - 8 || Le(b, 20, 2) != 1) {
        return wav;
    }
    wav.channels = static_cast<uint16_t>(Le(b, 22, 2));
    wav.rate = Le(b, 24, 4);
    wav.bits = static_cast<uint16_t>(Le(b, 34, 2));
    wav.dataBytes = Le(b, 40, 4);
    for (size_t i = 44; i + 1 < b.size(); i += 2) {
        wav.values.push_back(static_cast<int16_t>(Le(b, i, 2)));
    }
    return wav;
}

// The first frame with sound in it, or the frame count when there is none.
size_t FirstSoundingFrame(const Wav& wav, size_t from = 0) {
    for (size_t f = from; 2 * f + 1 < wav.values.size(); ++f) {
        if (wav.values[2 * f] != 0 || wav.values[2 * f + 1] != 0) return f;
    }
    return wav.values.size() / 2;
}

class RenderPlayToolTest : public ChordlaneTest {
  protected:
    void SetUp() override {
        ChordlaneTest::SetUp();
        std::filesystem::create_directories(temp_ / "home");
        const WaveSpec form;
        WriteFile("tone.wav", CanonicalWave(form, Tone(form, 440, TONE_MS / 1000.0, 8000)));
    }
    ToolRun Run(std::vector<std::string> args) {
        args.push_back("--home");
        args.push_back((temp_ / "home").string());
        return RunTool(args, temp_);
    }
    std::string Instrument(const std::string& name, const std::string& body) {
        return WriteFile(name, "cl1.0\n" + body).string();
    }
    std::string Script(const std::string& text) { return WriteFile("script.txt", text).string(); }
    std::string Path(const std::string& name) { return (temp_ / name).string(); }
};

TEST_F(RenderPlayToolTest, PlayLogsATapFromStrokeToTheSoundsEnd) {
    const ToolRun run = Run({"play", Instrument("key.clx", TONE_KEY), "--script",
                             Script("wait 40\ntap 50 50\nwait 300\n")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err, "");
    // Strength "sp" 30 and a volume scale of 50 + 50: volume 30, level 30% of 65535.
    const std::string head =
        "0 event \"init\" 1\n"
        "40 stroke 49 49 50 50 30\n"
        "40 press \"key\"\n"
        "40 start \"voice\" sample=\"tone\" shift=0 volume=30 level=19660\n";
    ASSERT_THAT(run.out, StartsWith(head));
    std::smatch m;
    const std::string rest = run.out.substr(head.size());
    ASSERT_TRUE(std::regex_match(
        rest, m, std::regex("([0-9]+) done \"voice\" source=\"key\"\n([0-9]+) release \"key\"\n")))
        << rest;
    // The sound's end is told no earlier than its length after the start, and promptly.
    const int done = std::stoi(m[1]);
    EXPECT_GE(done, 40 + static_cast<int>(TONE_MS));
    EXPECT_LE(done, 40 + static_cast<int>(TONE_MS) + 20);
    EXPECT_EQ(std::stoi(m[2]), done);
}

TEST_F(RenderPlayToolTest, PlayTellsTheEndOfASoundReleasedAndStruckAgainOnlyWhenItEnds) {
    // Striking again releases the voice and plays it anew at once, as a chord pad does.
    const std::string again = Instrument("again.clx", R"(s tone tone.wav 440 0 0
v voice
br key 0 0 100 100
{ again
< voice
> voice
}
{ init
=s voice.ns tone
=s key.na again
}
)");
    const ToolRun run =
        Run({"play", again, "--script", Script("tap 50 50\nwait 50\ntap 50 50\nwait 300\n")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    std::vector<int> done;
    const std::regex line("(^|\n)([0-9]+) done \"voice\"");
    for (auto it = std::sregex_iterator(run.out.begin(), run.out.end(), line);
         it != std::sregex_iterator(); ++it) {
        done.push_back(std::stoi((*it)[2]));
    }
    // The release at 50 ends the first sound (logged as its cause first); the second ends
    // its full length later.
    EXPECT_THAT(run.out, HasSubstr("50 stop \"voice\"\n50 done \"voice\" source=\"key\"\n"));
    ASSERT_EQ(done.size(), 2u) << run.out;
    EXPECT_EQ(done[0], 50);
    EXPECT_GE(done[1], 50 + static_cast<int>(TONE_MS)) << run.out;
    EXPECT_LE(done[1], 50 + static_cast<int>(TONE_MS) + 20);
}

TEST_F(RenderPlayToolTest, PlayWritesTheMixAsLongAsTheScriptSoundingFromTheTap) {
    const ToolRun run =
        Run({"play", Instrument("key.clx", TONE_KEY), "--script",
             Script("wait 100\ntap 50 50\nwait 250\n"), "-o", Path("mix.wav"), "--rate", "44100"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const Wav wav = ReadWav(temp_ / "mix.wav");
    EXPECT_EQ(wav.channels, 2);
    EXPECT_EQ(wav.bits, 16);
    EXPECT_EQ(wav.rate, 44100u);
    // 350 ms of script time.
    EXPECT_EQ(wav.dataBytes, 350u * 44100 / 1000 * 4);
    ASSERT_EQ(wav.values.size(), wav.dataBytes / 2);
    // Silent until the tap; sounding within one mixer block (256 frames) of it.
    const size_t tap = 100 * 44100 / 1000;
    const size_t first = FirstSoundingFrame(wav);
    std::printf("tap to sound: first sounding frame %zu frames after the tap\n", first - tap);
    EXPECT_GE(first, tap);
    EXPECT_LE(first, tap + 256);
    // Quiet again after the tone's 100 ms (with a little slack for the rate converter).
    EXPECT_EQ(FirstSoundingFrame(wav, tap + (TONE_MS + 5) * 44100 / 1000), wav.values.size() / 2);
}

TEST_F(RenderPlayToolTest, PlayLogsMessagesAndRejectsUnreadableScripts) {
    const std::string broken = Instrument("broken.clx", "s gone nothere.wav 440 0 0\n");
    const ToolRun run = Run({"play", broken});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_THAT(run.out, HasSubstr("0 message \"Could not load: nothere.wav\"\n"));
    EXPECT_EQ(run.err, "message: Could not load: nothere.wav\n");

    const std::string script = Script("tap 1 1\nstrum 1 2 3\n");
    const ToolRun bad = Run({"play", broken, "--script", script});
    EXPECT_EQ(bad.exitCode, 2);
    EXPECT_EQ(bad.out, "");
    EXPECT_EQ(bad.err, "chordlane-tool: play: " + script + ":2: strum wants X1 Y1 X2 Y2 MS N\n");
    const ToolRun missing = Run({"play", broken, "--script", Path("nowhere.txt")});
    EXPECT_EQ(missing.exitCode, 2);
    EXPECT_THAT(missing.err, StartsWith("chordlane-tool: play: cannot read the script "));
    EXPECT_EQ(Run({"play", broken, "--rate", "7999"}).exitCode, 2);
}

QColor Pixel(const QImage& image, int x, int y) { return QColor(image.pixel(x, y)); }

TEST_F(RenderPlayToolTest, RenderPaintsTheInstrumentOrTheStartUpScreenAtTheZoom) {
    const std::string box = Instrument("box.clx", R"(gr box 10 10 20 20
{ init
=i .cb 0x00FF00
}
)");
    const ToolRun run =
        Run({"render", box, "-o", Path("box.png"), "--screen", "100x80", "--zoom", "3"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err, "");
    const QImage image(QString::fromStdString(Path("box.png")));
    ASSERT_EQ(image.size(), QSize(300, 240));
    EXPECT_EQ(Pixel(image, 5 * 3, 5 * 3), QColor(0, 255, 0));           // the background "cb"
    EXPECT_EQ(Pixel(image, 20 * 3, 20 * 3), QColor(0x90, 0x90, 0x90));  // the shape's fill

    // A load abandoned in its file prompt leaves the start-up screen: black, with the yellow
    // "Tap screen to start" from y = 80 * 3 / 4 - 20 = 40 down.
    const std::string prompt = Instrument("prompt.clx", "i -a ?*.clx Pick\n");
    const ToolRun start =
        Run({"render", prompt, "-o", Path("start.png"), "--screen", "100x80", "--zoom", "3"});
    EXPECT_EQ(start.exitCode, 3);
    const QImage startup(QString::fromStdString(Path("start.png")));
    ASSERT_EQ(startup.size(), QSize(300, 240));
    EXPECT_EQ(Pixel(startup, 2, 2), QColor(Qt::black));
    int yellow = 0, yellowAbove = 0;
    for (int y = 0; y < startup.height(); ++y) {
        for (int x = 0; x < startup.width(); ++x) {
            const QColor c = Pixel(startup, x, y);
            if (c.red() < 200 || c.green() < 200 || c.blue() > 60) continue;
            ++yellow;
            if (y < 40 * 3) ++yellowAbove;
        }
    }
    EXPECT_GT(yellow, 100);
    EXPECT_EQ(yellowAbove, 0);

    EXPECT_EQ(Run({"render", box, "-o", Path("big.png"), "--screen", "8000x8000", "--zoom", "3"})
                  .exitCode,
              2);
    EXPECT_EQ(Run({"render", box}).exitCode, 2);  // no -o
}

TEST_F(RenderPlayToolTest, RenderAfterAScriptShowsButtonsPressedUntilTheirSoundEnds) {
    const std::string key = Instrument("key.clx", TONE_KEY);
    const QColor grey(0x90, 0x90, 0x90), pressed(0xFF, 0x80, 0x00);
    for (const auto& [wait, colour] : {std::pair{"10", pressed}, std::pair{"300", grey}}) {
        SCOPED_TRACE(wait);
        const ToolRun run = Run({"render", key, "-o", Path("key.png"), "--script",
                                 Script(std::string("tap 50 50\nwait ") + wait + "\n")});
        ASSERT_EQ(run.exitCode, 0) << run.err;
        const QImage image(QString::fromStdString(Path("key.png")));
        EXPECT_EQ(Pixel(image, 50, 50), colour);
    }
}

}  // namespace
}  // namespace chordlane::test
