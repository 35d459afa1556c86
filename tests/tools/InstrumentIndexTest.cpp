// What the language server knows of an instrument, without the protocol: the elements a
// load builds with their lines and places in the tree, the names they answer to, and the
// problems with how grave they are.
#include <gmock/gmock.h>

#include "platform/headless/MemoryFileSystem.h"
#include "tests/support/ChordlaneTest.h"
#include "tools/lsp/InstrumentIndex.h"
#include "tools/lsp/OverlayFileSystem.h"

namespace chordlane::test {
namespace {

using tool::Declaration;
using tool::InstrumentIndex;

class InstrumentIndexTest : public ChordlaneTest {
  protected:
    InstrumentIndex Load(const std::string& text) {
        main_ = FromUtf8((temp_ / "main.clx").string());
        return InstrumentIndex::Load({.path = main_, .text = text, .home = temp_.string()});
    }
    // "NAME@LINE" of each declaration, children in brackets.
    static std::string Tree(const InstrumentIndex& index, const std::vector<size_t>& at) {
        std::string out;
        for (const size_t i : at) {
            const Declaration& d = index.Declarations()[i];
            out += (out.empty() ? "" : " ") + ToUtf8(d.name) + "@" + std::to_string(d.line);
            if (!d.children.empty()) out += "[" + Tree(index, d.children) + "]";
        }
        return out;
    }
    static std::vector<int32_t> Lines(const std::vector<const Declaration*>& found) {
        std::vector<int32_t> lines;
        for (const Declaration* d : found) lines.push_back(d->line);
        return lines;
    }

    String main_;
};

TEST_F(InstrumentIndexTest, ElementsStandWhereTheBuilderPutThem) {
    WriteFile("part.clx", "cl1.0\nv fromPart\n");
    const InstrumentIndex index = Load(R"(cl1.0
{ outer
{ inner
v a
}
i part.clx
}
v b
[ p 0 0 240 320
{ g }
v c
]
v d
)");
    EXPECT_EQ(Tree(index, index.TopLevel()),
              "outer@2[inner@3[a@4] fromPart@2] b@8 p@9[Ag@10 Ac@11] d@13");
    const auto built = index.DeclaredAt(main_, 11);
    ASSERT_EQ(built.size(), 1u);
    EXPECT_EQ(built[0]->className, "VoiceElement");
    EXPECT_EQ(built[0]->writtenName, u"c");
    EXPECT_EQ(built[0]->panel, 1);
}

TEST_F(InstrumentIndexTest, NamesResolveAsTheInstrumentLooksThemUp) {
    const InstrumentIndex index = Load(R"(cl1.0
v kick
v kick
[ p 0 0 240 320
v snare
v !plain
> snare
]
s gtr-lo lo.wav 110 12 12
)");
    // The registry keeps the latest of a name.
    EXPECT_THAT(Lines(index.Resolve(u"kick", main_, 9)), testing::ElementsAre(3, 2));
    // In the panel its prefix comes first; outside it only the prefixed name finds it.
    EXPECT_THAT(Lines(index.Resolve(u"snare", main_, 7)), testing::ElementsAre(5));
    EXPECT_THAT(Lines(index.Resolve(u"snare", main_, 9)), testing::IsEmpty());
    EXPECT_THAT(Lines(index.Resolve(u"Asnare", main_, 9)), testing::ElementsAre(5));
    EXPECT_THAT(Lines(index.Resolve(u"!plain", main_, 7)), testing::ElementsAre(6));
    EXPECT_THAT(Lines(index.Resolve(u"Xkick", main_, 2)), testing::ElementsAre(3, 2));
    // Note names find the sounds of their set; a shift names the sound itself.
    EXPECT_THAT(Lines(index.Resolve(u"gtr-E2", main_, 9)), testing::ElementsAre(9));
    EXPECT_THAT(Lines(index.Resolve(u"gtr-lo+12", main_, 9)), testing::ElementsAre(9));
    EXPECT_THAT(Lines(index.Resolve(u"bass-E2", main_, 9)), testing::IsEmpty());
}

TEST_F(InstrumentIndexTest, ProblemsCarryHowGraveTheyAre) {
    const InstrumentIndex index = Load("cl1.0\ngr\n> nothing\ns x ?*.wav Pick\n");
    std::vector<std::pair<int32_t, tool::ProblemSeverity>> found;
    for (const tool::FileProblem& p : index.Problems()) found.emplace_back(p.line, p.severity);
    // The prompt has nobody to answer it: the file is not at fault. No name is said to
    // resolve to nothing then, as check has it.
    EXPECT_THAT(found, testing::ElementsAre(std::pair{2, tool::ProblemSeverity::Error},
                                            std::pair{4, tool::ProblemSeverity::Information}));
}

TEST_F(InstrumentIndexTest, TheOverlaidTextStandsForTheFileUnderEveryNameAndNothingIsWritten) {
    MemoryFileSystem disk;
    disk.Add(u"/song/main.clx", std::string_view("on disk"));
    disk.Add(u"/song/other.clx", std::string_view("other"));
    tool::OverlayFileSystem files(disk, u"/song/main.clx", "in the editor");
    const auto read = [&](const String& path) {
        std::unique_ptr<File> file = files.Open(path, FileMode::Read);
        if (!file) return std::string("(none)");
        std::string text(64, '\0');
        text.resize(file->Read(text.data(), text.size()));
        return text;
    };
    EXPECT_EQ(read(u"/song/main.clx"), "in the editor");
    EXPECT_EQ(read(u"\\song\\sub\\..\\main.clx"), "in the editor");
    EXPECT_EQ(read(u"/song/other.clx"), "other");
    EXPECT_EQ(files.Open(u"/song/main.clx", FileMode::Write), nullptr);
    EXPECT_FALSE(files.ReplaceWhole(u"/song/other.clx", "x").empty());
    EXPECT_EQ(disk.Contents(u"/song/other.clx"),
              MemoryFileSystem::Bytes({'o', 't', 'h', 'e', 'r'}));
}

}  // namespace
}  // namespace chordlane::test
