// Every instrument that ships loads without a problem and sounds when strummed: what a new
// user meets first.
#include <gmock/gmock.h>

#include <QImage>
#include <QRect>
#include <filesystem>
#include <map>
#include <regex>

#include "tests/tools/ToolRunner.h"

namespace chordlane::test {
namespace {

namespace fs = std::filesystem;

const fs::path INSTRUMENTS = fs::path(CHORDLANE_SOURCE_DIR) / "instruments";

struct Shipped {
    std::string script;                     // a short strum or tap that must sound
    std::vector<std::string> answers = {};  // for the instrument's file prompts
};

// One entry per shipped instrument; a new instrument without one fails the test below.
const std::map<std::string, Shipped>& ShippedInstruments() {
    static const std::map<std::string, Shipped> shipped = {
        {"!", {"strum 20 296 220 296 200 10\n"}},
        {"guitar.clx", {"strum 20 296 220 296 200 10\n"}},
        {"strummer.clx", {"strum 120 160 120 310 200 10\n"}},
        {"keyboard.clx", {"strum 5 150 235 150 300 12\n"}},
        {"drums.clx", {"tap 60 64\n"}},
        {"stage.clx", {"tap 62 134\n"}},
        {"sampler.clx",
         {"strum 10 60 230 60 200 10\n", {(INSTRUMENTS / "sounds" / "epiano-c4.wav").string()}}},
    };
    return shipped;
}

using ShippedInstrumentsToolTest = ChordlaneTest;

TEST_F(ShippedInstrumentsToolTest, EveryInstrumentLoadsWithoutAProblemAndSoundsWhenPlayed) {
    for (const auto& entry : fs::directory_iterator(INSTRUMENTS)) {
        const std::string ext = entry.path().extension().string();
        EXPECT_TRUE((ext != ".clx" && ext != ".cly") ||
                    ShippedInstruments().contains(entry.path().filename().string()))
            << entry.path();
    }
    const std::string script = WriteFile("script.txt", "").string();
    for (const auto& [name, shipped] : ShippedInstruments()) {
        SCOPED_TRACE(name);
        // "!" as it is, the others by their path; an empty home folder, so nothing of the
        // user's is found.
        const auto run = [&](std::vector<std::string> args) {
            args.insert(args.begin() + 1, name == "!" ? name : (INSTRUMENTS / name).string());
            args.insert(args.end(), {"--home", temp_.string()});
            for (const std::string& answer : shipped.answers)
                args.insert(args.end(), {"--answer", answer});
            return RunTool(args, temp_);
        };
        const ToolRun check = run({"check"});
        EXPECT_EQ(check.exitCode, 0);
        EXPECT_EQ(check.out + check.err, "");
        WriteFile("script.txt", shipped.script + "wait 200\n");
        const ToolRun play = run({"play", "--script", script});
        EXPECT_EQ(play.exitCode, 0) << play.err;
        EXPECT_TRUE(std::regex_search(play.out, std::regex("\\n[0-9]+ start "))) << play.out;
        EXPECT_FALSE(std::regex_search(play.out, std::regex(" message "))) << play.out;
    }
}

TEST_F(ShippedInstrumentsToolTest, TheGuitarsCapoStopsAtItsEndsInsteadOfGoingRound) {
    // The notes a strum starts after the capo pads were tapped, without their times.
    const auto notesAfter = [&](const std::string& taps) {
        const std::string script = WriteFile("capo.txt", taps +
                                                             "wait 300\nstrum 20 296 220 296 "
                                                             "200 10\nwait 100\n")
                                       .string();
        const ToolRun play =
            RunTool({"play", "!", "--script", script, "--home", temp_.string()}, temp_);
        EXPECT_EQ(play.exitCode, 0) << play.err;
        std::string notes;
        const std::regex start("\\n[0-9]+ (start [^\\n]*)");
        for (std::sregex_iterator i(play.out.begin(), play.out.end(), start), end; i != end; ++i) {
            // The capo pads' own tick is left out: it sounds once per tap.
            if ((*i)[1].str().find("\"tick\"") == std::string::npos) notes += (*i)[1].str() + "\n";
        }
        return notes;
    };
    const auto taps = [](const char* pad, int n) {
        std::string text;
        for (int i = 0; i < n; ++i) text += std::string("tap ") + pad + "\nwait 50\n";
        return text;
    };
    const char* up = "137 75";
    const char* down = "13 75";
    // Nine steps up stay at 7, one down is 6; eight down from there stay at 0.
    EXPECT_EQ(notesAfter(taps(up, 9) + taps(down, 1)), notesAfter(taps(up, 6)));
    EXPECT_EQ(notesAfter(taps(up, 2) + taps(down, 8)), notesAfter(""));
    EXPECT_NE(notesAfter(taps(up, 7)), notesAfter(taps(up, 6)));
}

TEST_F(ShippedInstrumentsToolTest, TheGuitarNamesTheChordItsStringsPlayAfterTheChordHasDiedAway) {
    // What the screen shows once everything has stopped sounding after the script.
    const auto shown = [&](const std::string& script) {
        const std::string file = WriteFile("chord.txt", script + "wait 4000\n").string();
        const std::string png = (temp_ / "chord.png").string();
        const ToolRun render =
            RunTool({"render", "!", "--script", file, "-o", png, "--home", temp_.string()}, temp_);
        EXPECT_EQ(render.exitCode, 0) << render.err;
        return QImage(QString::fromStdString(png)).convertToFormat(QImage::Format_RGB32);
    };
    // The name stands right of the strum strings, on the guitar's body.
    const QRect name(208, 280, 32, 34);
    const auto without = [&](QImage image) {
        for (int y = name.top(); y <= name.bottom(); ++y)
            for (int x = name.left(); x <= name.right(); ++x) image.setPixel(x, y, 0);
        return image;
    };
    const QImage first = shown("");  // C, the chord the strings play at the start
    const QImage g = shown("tap 77 17\n");
    ASSERT_FALSE(first.isNull());
    // The pad has gone dark again; only the name beside the strings tells of G.
    EXPECT_EQ(without(g), without(first));
    EXPECT_NE(g.copy(name), first.copy(name));
    EXPECT_EQ(shown("key 50\n").copy(name), g.copy(name));  // key 2 chooses G as well
    // Two capo steps up make the D pad's chord an E.
    EXPECT_EQ(shown("tap 137 75\nwait 50\ntap 137 75\nwait 50\ntap 137 17\n").copy(name),
              shown("tap 17 47\n").copy(name));
}

}  // namespace
}  // namespace chordlane::test
