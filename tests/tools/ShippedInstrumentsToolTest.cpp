// Every instrument that ships loads without a problem and sounds when strummed: what a new
// user meets first.
#include <gmock/gmock.h>

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

}  // namespace
}  // namespace chordlane::test
