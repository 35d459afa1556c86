// chordlane-tool render and play as a user runs them: the event log, the mix it writes, the
// image of the screen.
#include <gmock/gmock.h>

#include <QColor>
#include <QImage>
#include <array>
#include <regex>
#include <sstream>

#include "tests/sound/SoundTestSupport.h"
#include "tests/tools/ToolRunner.h"

namespace chordlane::test {
namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;

// A 100 ms tone played by a button filling the top-left 100 x 100 pixels; the button
// strikes target.
std::string ToneKey(const std::string& target = "voice") {
    return "s tone tone.wav 440 0 0\nv voice\nbr key 0 0 100 100\n{ init\n=s voice.ns tone\n"
           "=s key.na " +
           target + "\n}\n";
}
constexpr int TONE_MS = 100;

uint32_t Le(const std::string& b, size_t at, int bytes) {
    uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | static_cast<uint8_t>(b[at + i]);
    return v;
}

// The first frame of a 16-bit stereo WAV image from frame on that is not silent, or the
// frame count when there is none.
size_t FirstSoundingFrame(const std::string& wav, size_t frame) {
    while (44 + 4 * frame + 4 <= wav.size() && Le(wav, 44 + 4 * frame, 4) == 0) ++frame;
    return std::min(frame, (wav.size() - 44) / 4);
}

// The time of the last "done" line of the log.
int LastDone(const std::string& log) {
    const size_t done = log.rfind(" done ");
    return done == std::string::npos ? -1 : std::stoi(log.substr(log.rfind('\n', done) + 1));
}

class RenderPlayToolTest : public ToolTest {
  protected:
    void SetUp() override {
        ToolTest::SetUp();
        const WaveSpec form;
        WriteFile("tone.wav", CanonicalWave(form, Tone(form, 440, TONE_MS / 1000.0, 8000)));
    }
    std::string Script(const std::string& text) { return WriteFile("script.txt", text).string(); }
};

TEST_F(RenderPlayToolTest, PlayLogsATapAndWritesTheMixAsLongAsTheScript) {
    const ToolRun run =
        Run({"play", Instrument("key.clx", ToneKey()), "--script",
             Script("wait 100\ntap 50 50\nwait 250\n"), "-o", Path("mix.wav"), "--rate", "44100"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err, "");
    // Strength "sp" 30 and a volume scale of 50 + 50: volume 30, level 30% of 65535.
    const std::string head =
        "0 event \"init\" 1\n"
        "100 stroke 49 49 50 50 30\n"
        "100 press \"key\"\n"
        "100 start \"voice\" sample=\"tone\" shift=0 volume=30 level=19660\n";
    ASSERT_THAT(run.out, StartsWith(head));
    // The sound's end is told no earlier than its length after the start, and promptly.
    const int done = LastDone(run.out);
    EXPECT_EQ(run.out.substr(head.size()), std::to_string(done) +
                                               " done \"voice\" source=\"key\"\n" +
                                               std::to_string(done) + " release \"key\"\n");
    EXPECT_GE(done, 100 + TONE_MS);
    EXPECT_LE(done, 100 + TONE_MS + 20);

    const std::string wav = ReadBytes(temp_ / "mix.wav");
    ASSERT_GE(wav.size(), 44u);
    EXPECT_EQ(wav.substr(0, 4) + wav.substr(8, 8) + wav.substr(36, 4), "RIFFWAVEfmt data");
    EXPECT_EQ(Le(wav, 4, 4), wav.size() - 8);
    // PCM, stereo, the rate, 16 bits; 350 ms of script time.
    EXPECT_EQ((std::array{Le(wav, 20, 2), Le(wav, 22, 2), Le(wav, 24, 4), Le(wav, 34, 2)}),
              (std::array<uint32_t, 4>{1, 2, 44100, 16}));
    EXPECT_EQ(Le(wav, 40, 4), 350u * 44100 / 1000 * 4);
    EXPECT_EQ(wav.size(), 44 + Le(wav, 40, 4));
    // Silent until the tap; sounding within one mixer block (256 frames) of it; quiet again
    // after the tone's 100 ms (with a little slack for the rate converter).
    const size_t tap = 100 * 44100 / 1000;
    EXPECT_GE(FirstSoundingFrame(wav, 0), tap);
    EXPECT_LE(FirstSoundingFrame(wav, 0), tap + 256);
    EXPECT_EQ(FirstSoundingFrame(wav, tap + (TONE_MS + 5) * 44100 / 1000), (wav.size() - 44) / 4);
}

// A chord and a strum on the built-in guitar add up past full scale; the file, like the
// program's output, has them through the master stage: loud, but not one value clipped.
TEST_F(RenderPlayToolTest, PlayWritesTheMixThroughTheMasterStageSoAChordNeverClips) {
    const ToolRun run =
        Run({"play", "!", "--script",
             Script("key 49\nstrum 20 296 220 296 100 10\nkey 50\nstrum 20 296 220 296 50 10\n"
                    "wait 1500\n"),
             "-o", Path("guitar.wav")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::string wav = ReadBytes(temp_ / "guitar.wav");
    ASSERT_GT(wav.size(), 44u + 4 * 48000u);
    int loudest = 0;
    for (size_t at = 44; at + 2 <= wav.size(); at += 2) {
        const auto v = static_cast<int16_t>(Le(wav, at, 2));
        loudest = std::max(loudest, std::abs(static_cast<int>(v)));
    }
    EXPECT_LE(loudest, 32400);  // -0.1 dB: the ceiling, never the 16-bit limit
    EXPECT_GE(loudest, 30000);  // limited, not turned down
}

TEST_F(RenderPlayToolTest, PlayTellsTheEndOfASoundReleasedAndStruckAgainOnlyWhenItEnds) {
    // Striking again releases the voice and plays it anew at once, as a chord pad does.
    const std::string again =
        Instrument("again.clx", ToneKey("again") + "{ again\n< voice\n> voice\n}\n");
    const ToolRun run =
        Run({"play", again, "--script", Script("tap 50 50\nwait 50\ntap 50 50\nwait 300\n")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    // The release at 50 ends the first sound (logged as its cause first); the second ends
    // its full length later.
    EXPECT_THAT(run.out, HasSubstr("50 stop \"voice\"\n50 done \"voice\" source=\"key\"\n"));
    EXPECT_EQ(run.out.find(" done ", run.out.find(" done ") + 1), run.out.rfind(" done "));
    EXPECT_GE(LastDone(run.out), 50 + TONE_MS) << run.out;
    EXPECT_LE(LastDone(run.out), 50 + TONE_MS + 20);
}

TEST_F(RenderPlayToolTest, StrumMovesAtTruncatedTimesToTruncatedPointsAndExitEndsTheScript) {
    const ToolRun run = Run({"play", Instrument("empty.clx", ""), "--script",
                             Script("strum 30 20 13 33 100 3\nmenu exit\ntap 1 1\n")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    // x: 30 + (-17 * i) / 3 truncates toward zero: 25, 19, 13; y: 20 + 13 * i / 3: 24, 28, 33.
    // Strengths are left out: they follow the stylus speed.
    EXPECT_EQ(std::regex_replace(run.out, std::regex(" [0-9]+\n"), "\n"),
              "0 event \"init\"\n0 stroke 29 19 30 20\n33 stroke 30 20 25 24\n"
              "66 stroke 25 24 19 28\n100 stroke 19 28 13 33\n");
}

TEST_F(RenderPlayToolTest, ADoubleClickStrikesAgainAsAQuickSecondTapDoes) {
    const ToolRun run = Run({"play", Instrument("key.clx", ToneKey()), "--script",
                             Script("tap 50 50\nwait 120\ndblclick 50 50\nup\nwait 200\n")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_THAT(run.out, HasSubstr("0 stroke 49 49 50 50 30\n0 press \"key\"\n"));
    EXPECT_THAT(run.out, HasSubstr("120 stroke 49 49 50 50 30\n"));
    EXPECT_THAT(run.out, HasSubstr("120 start \"voice\""));
}

TEST_F(RenderPlayToolTest, TouchPointsAreStylusesOfTheirOwnAndTheirStrokesSayWhichFinger) {
    // Finger 1 holds the key; finger 2 comes in from outside and strikes it again; finger 1
    // rocking on it strikes nothing (2 px in 40 ms, then on average 10 px in 25 ms); touch 0
    // is the stylus, logged as it always was.
    const ToolRun run = Run({"play", Instrument("key.clx", ToneKey()), "--script",
                             Script("touch 1 down 50 50\nwait 10\ntouch 2 down 150 150\n"
                                    "wait 10\ntouch 2 move 120 120\nwait 10\n"
                                    "touch 2 move 90 90\nwait 10\ntouch 1 move 52 52\n"
                                    "touch 2 up\ntouch 0 down 200 10\ntouch 0 up\n"
                                    "wait 10\ntouch 1 move 70 52\ntouch 1 up\n")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    std::string strokes;
    int starts = 0;
    std::istringstream lines(run.out);
    for (std::string line; std::getline(lines, line);) {
        if (line.find(" stroke ") != std::string::npos) strokes += line + "\n";
        if (line.find(" start ") != std::string::npos) ++starts;
    }
    EXPECT_EQ(strokes,
              "0 stroke 49 49 50 50 30 touch=1\n"
              "10 stroke 149 149 150 150 30 touch=2\n"
              "20 stroke 150 150 120 120 100 touch=2\n"
              "30 stroke 120 120 90 90 100 touch=2\n"
              "40 stroke 50 50 52 52 5 touch=1\n"
              "40 stroke 199 9 200 10 30\n"
              "50 stroke 52 52 70 52 40 touch=1\n");
    EXPECT_EQ(starts, 2) << run.out;

    const std::string script = Script("touch 1 down 1 1\ntouch 10 down 1 1\n");
    const ToolRun bad =
        Run({"render", Instrument("key.clx", ToneKey()), "-o", Path("k.png"), "--script", script});
    EXPECT_EQ(bad.exitCode, 2);
    EXPECT_EQ(bad.err, "chordlane-tool: render: " + script +
                           ":2: touch: N must be a whole number from 0 to 9, not '10'\n");
}

TEST_F(RenderPlayToolTest, ShortcutKeysRunTheirCommandsAndOnlyOtherKeysReachTheInstrument) {
    // Ctrl+O opens (the dialog is cancelled), F1 helps, F11 and Ctrl+C have no command here
    // yet keep their keys; Ctrl+Q quits, so B is never pressed.
    const ToolRun run = Run({"play", Instrument("empty.clx", ""), "--script",
                             Script("cancel\nkeydown 17\nkey 79\nkey 67\nkeyup 17\nkey 112\n"
                                    "key 122\nkey 65\nkeydown 16\nkey 70\nkeyup 16\n"
                                    "keydown 17\nkey 81\nkey 66\n")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "0 event \"init\" 0\n0 event \"bka\" 0\n0 event \"bkF\" 0\n");
}

TEST_F(RenderPlayToolTest, PlayLogsMessagesAndRejectsUnreadableScripts) {
    const std::string broken = Instrument("broken.clx", "s gone nothere.wav 440 0 0\n");
    const ToolRun run = Run({"play", broken});
    EXPECT_EQ(run.exitCode, 0);
    // The event log keeps the message as the instrument gave it; the person is also told
    // which line named the file.
    EXPECT_THAT(run.out, HasSubstr("0 message \"Could not load: nothere.wav\"\n"));
    EXPECT_EQ(run.err, "message: Could not load: nothere.wav (" + broken + ":2)\n");

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

QColor Pixel(const std::string& png, int x, int y) {
    return QColor(QImage(QString::fromStdString(png)).pixel(x, y));
}

TEST_F(RenderPlayToolTest, RenderPaintsTheInstrumentOrTheStartUpScreenAtTheZoom) {
    const std::string box =
        Instrument("box.clx", "gr box 10 10 20 20\n{ init\n=i .cb 0x00FF00\n}\n");
    const ToolRun run =
        Run({"render", box, "-o", Path("box.png"), "--screen", "100x80", "--zoom", "3"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(QImage(QString::fromStdString(Path("box.png"))).size(), QSize(300, 240));
    EXPECT_EQ(Pixel(Path("box.png"), 5 * 3, 5 * 3), QColor(0, 255, 0));  // the background "cb"
    EXPECT_EQ(Pixel(Path("box.png"), 20 * 3, 20 * 3), QColor(0x90, 0x90, 0x90));  // the shape

    // A load abandoned in its file prompt leaves the start-up screen: the bitmap from the
    // program folder on black, with the yellow "Tap screen to start" from y = 80 * 3 / 4 - 20
    // = 40 down.
    const std::string prompt = Instrument("prompt.clx", "i -a ?*.clx Pick\n");
    EXPECT_EQ(Run({"render", prompt, "-o", Path("start.png"), "--screen", "100x80", "--zoom", "3"})
                  .exitCode,
              3);
    const QImage startup(QString::fromStdString(Path("start.png")));
    EXPECT_EQ(startup.pixelColor(2, 2), QColor(Qt::black));
    int yellow[2] = {0, 0}, bitmap = 0;  // yellow above the text's cell, and in it
    for (int y = 0; y < startup.height(); ++y) {
        for (int x = 0; x < startup.width(); ++x) {
            const QColor c = startup.pixelColor(x, y);
            if (c.red() > 200 && c.green() > 200 && c.blue() < 60) ++yellow[y >= 40 * 3];
            bitmap += y < 40 * 3 && c != QColor(Qt::black);
        }
    }
    EXPECT_EQ(yellow[0], 0);
    EXPECT_GT(yellow[1], 100);
    EXPECT_GT(bitmap, 100);

    EXPECT_EQ(Run({"render", box, "-o", Path("big.png"), "--screen", "8000x8000", "--zoom", "3"})
                  .exitCode,
              2);
}

TEST_F(RenderPlayToolTest, RenderAfterAScriptShowsAButtonPressedWhileItsSoundPlays) {
    const ToolRun run = Run({"render", Instrument("key.clx", ToneKey()), "-o", Path("key.png"),
                             "--script", Script("tap 50 50\nwait 10\n")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(Pixel(Path("key.png"), 50, 50), QColor(0xFF, 0x80, 0x00));
}

}  // namespace
}  // namespace chordlane::test
