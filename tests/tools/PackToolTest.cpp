#include <filesystem>
#include <fstream>

#include "language/Packer.h"
#include "language/TextReader.h"
#include "tests/support/ChordlaneTest.h"
#include "tests/tools/ToolRunner.h"

namespace chordlane::test {
namespace {

class PackToolTest : public ChordlaneTest {
protected:
    ToolRun Run(const std::vector<std::string>& args) { return RunTool(args, temp_); }
    std::string Read(const std::string& name) {
        std::ifstream in(temp_ / name, std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }
    String Text(const std::string& name) {
        TextReader reader(TempFolder() + FromUtf8(name), u"");
        String text;
        for (char16_t c; (c = reader.ReadChar()) != END_OF_TEXT;) text.push_back(c);
        return text;
    }
};

TEST_F(PackToolTest, PackedOutputReadsAsTheInput) {
    WriteFile("in.clx", "cl1.0\ngr a 1 2 3 4\n\xC3\xA9=b x.e f\r\n");
    const ToolRun run = Run({"pack", (temp_ / "in.clx").string(), (temp_ / "out.clx").string()});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out + run.err, "");
    const std::string packed = Read("out.clx");
    EXPECT_EQ(packed.substr(0, 3), "CL\n");
    EXPECT_EQ(Text("out.clx"), Text("in.clx"));
    const std::vector<uint8_t> expected = PackFile(u"gr a 1 2 3 4\n\u00e9=b x.e f\r\n");
    EXPECT_EQ(packed, std::string(expected.begin(), expected.end()));
}

TEST_F(PackToolTest, BadCommandLinesAndInputsExitWithTwoAndOneLine) {
    WriteFile("packed.clx", "CL\n\x12");
    WriteFile("in.clx", "h\n");
    std::filesystem::create_directories(temp_ / "folder");
    const std::vector<std::vector<std::string>> bad = {
        {},
        {"frobnicate"},
        {"pack", "only-one"},
        {"pack", "a", "b", "c"},
        {"pack", "--bogus", "in.clx", "out.clx"},
        {"pack", (temp_ / "missing.clx").string(), (temp_ / "o.clx").string()},
        {"pack", (temp_ / "folder").string(), (temp_ / "o.clx").string()},
        {"pack", (temp_ / "packed.clx").string(), (temp_ / "o.clx").string()},
        {"pack", (temp_ / "in.clx").string(), (temp_ / "folder").string()},
    };
    for (const auto& args : bad) {
        const ToolRun run = Run(args);
        EXPECT_EQ(run.exitCode, 2) << (args.empty() ? "" : args[0]);
        EXPECT_EQ(run.out, "");
        EXPECT_TRUE(run.err.starts_with("chordlane-tool: ")) << run.err;
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    }
    EXPECT_FALSE(std::filesystem::exists(temp_ / "o.clx"));
}

TEST_F(PackToolTest, NamesAfterDoubleDashMayBeginWithADash) {
    WriteFile("-in.clx", "h\nv x\n");
    const ToolRun run = Run({"pack", "--", (temp_ / "-in.clx").string(), (temp_ / "-o.clx").string()});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(Text("-o.clx"), u"v x\n");
}

TEST_F(PackToolTest, HelpAndVersion) {
    const ToolRun version = Run({"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out, "chordlane-tool " CHORDLANE_VERSION "\n");
    const ToolRun help = Run({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("chordlane-tool pack"), std::string::npos);
    EXPECT_NE(help.out.find("chordlane-tool --help | --version"), std::string::npos);
    EXPECT_EQ(help.err, "");
}

}  // namespace
}  // namespace chordlane::test
