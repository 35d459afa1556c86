#include <gmock/gmock.h>

#include <algorithm>
#include <filesystem>

#include "language/Packer.h"
#include "language/TextReader.h"
#include "tests/tools/ToolRunner.h"

namespace chordlane::test {
namespace {

class PackToolTest : public ToolTest {
  protected:
    String Text(const std::string& name) {
        TextReader reader(FromUtf8(Path(name)), u"");
        String text;
        for (char16_t c; (c = reader.ReadChar()) != END_OF_TEXT;) text.push_back(c);
        return text;
    }
};

TEST_F(PackToolTest, PackedOutputReadsAsTheInput) {
    WriteFile("in.clx", "cl1.0\ngr a 1 2 3 4\n\xC3\xA9=b x.e f\r\n");
    const ToolRun run = RunTool({"pack", Path("in.clx"), Path("out.clx")}, temp_);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out + run.err, "");
    const std::vector<uint8_t> expected = PackFile(u"gr a 1 2 3 4\n\u00e9=b x.e f\r\n");
    EXPECT_EQ(ReadBytes(temp_ / "out.clx"), std::string(expected.begin(), expected.end()));
    EXPECT_EQ(Text("out.clx"), Text("in.clx"));
}

TEST_F(PackToolTest, BadCommandLinesAndInputsExitWithTwoAndOneLine) {
    WriteFile("packed.clx", "CL\n\x12");
    WriteFile("in.clx", "h\n");
    std::filesystem::create_directories(temp_ / "folder");
    const std::vector<std::vector<std::string>> bad = {
        {},
        {"frobnicate"},
        {"pack", "only-one"},
        {"pack", Path("missing.clx"), Path("o.clx")},
        {"pack", Path("packed.clx"), Path("o.clx")},
        {"pack", Path("in.clx"), Path("folder")},
    };
    for (const auto& args : bad) {
        const ToolRun run = RunTool(args, temp_);
        EXPECT_EQ(run.exitCode, 2) << run.err;
        EXPECT_EQ(run.out, "");
        EXPECT_TRUE(run.err.starts_with("chordlane-tool: ")) << run.err;
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    }
    EXPECT_FALSE(std::filesystem::exists(temp_ / "o.clx"));
}

TEST_F(PackToolTest, HelpAndVersion) {
    const ToolRun version = RunTool({"--version"}, temp_);
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out, "chordlane-tool " CHORDLANE_VERSION "\n");
    const ToolRun help = RunTool({"--help"}, temp_);
    EXPECT_EQ(help.exitCode, 0);
    // Command names are padded to the longest one, so the synopsis lines line up.
    EXPECT_THAT(help.out, ::testing::ContainsRegex("chordlane-tool pack +IN OUT"));
    EXPECT_THAT(help.out, ::testing::HasSubstr("chordlane-tool --help | --version"));
}

}  // namespace
}  // namespace chordlane::test
