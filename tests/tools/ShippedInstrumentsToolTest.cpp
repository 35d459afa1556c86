// Every instrument that ships loads without a problem and sounds when strummed: what a new
// user meets first.
#include <gmock/gmock.h>

#include <filesystem>
#include <map>
#include <regex>

#include "tests/support/ChordlaneTest.h"
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

class ShippedInstrumentsToolTest : public ChordlaneTest {
  protected:
    //! The tool on a shipped instrument: "!" as it is, the others by their path; an empty
    //! home folder, so nothing of the user's is found.
    ToolRun Run(const std::string& command, const std::string& name, const Shipped& shipped,
                std::vector<std::string> more = {}) {
        std::vector<std::string> args{command, name == "!" ? name : (INSTRUMENTS / name).string(),
                                      "--home", temp_.string()};
        for (const std::string& answer : shipped.answers) {
            args.push_back("--answer");
            args.push_back(answer);
        }
        args.insert(args.end(), more.begin(), more.end());
        return RunTool(args, temp_);
    }
};

TEST_F(ShippedInstrumentsToolTest, EveryInstrumentHasAScriptHere) {
    for (const auto& entry : fs::directory_iterator(INSTRUMENTS)) {
        const std::string ext = entry.path().extension().string();
        if (ext != ".clx" && ext != ".cly") continue;
        EXPECT_TRUE(ShippedInstruments().contains(entry.path().filename().string()))
            << entry.path();
    }
}

TEST_F(ShippedInstrumentsToolTest, EveryInstrumentLoadsWithoutAProblem) {
    for (const auto& [name, shipped] : ShippedInstruments()) {
        const ToolRun run = Run("check", name, shipped);
        EXPECT_EQ(run.exitCode, 0) << name << "\n" << run.out << run.err;
        EXPECT_EQ(run.out, "") << name;
        EXPECT_EQ(run.err, "") << name;
    }
}

TEST_F(ShippedInstrumentsToolTest, EveryInstrumentSoundsWhenPlayed) {
    for (const auto& [name, shipped] : ShippedInstruments()) {
        WriteFile("script.txt", shipped.script + "wait 200\n");
        const ToolRun run =
            Run("play", name, shipped, {"--script", (temp_ / "script.txt").string()});
        EXPECT_EQ(run.exitCode, 0) << name << "\n" << run.err;
        EXPECT_TRUE(std::regex_search(run.out, std::regex("\\n[0-9]+ start "))) << name << "\n"
                                                                                << run.out;
        EXPECT_FALSE(std::regex_search(run.out, std::regex(" message "))) << name << "\n"
                                                                          << run.out;
    }
}

}  // namespace
}  // namespace chordlane::test
