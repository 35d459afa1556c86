#include <filesystem>

#include "language/Scanner.h"
#include "language/TextReader.h"
#include "tests/support/ChordlaneTest.h"

namespace chordlane::test {
namespace {

class ReaderTest : public ChordlaneTest {
  protected:
    // Every line the reader delivers for a file with that content, through ReadLine.
    std::vector<String> Lines(const std::string& content, int size = 512) {
        TextReader reader(FromUtf8(WriteFile("f.clx", content).string()), u"");
        EXPECT_TRUE(reader.IsOpen());
        std::vector<String> lines;
        std::vector<char16_t> buffer(size);
        for (int n; (n = reader.ReadLineLength(buffer.data(), size)) >= 0;) {
            lines.emplace_back(buffer.data(), n);
        }
        return lines;
    }
};

TEST_F(ReaderTest, LinesFollowTheHeaderKeepTheirEndsAndSplitWhenLong) {
    const struct {
        std::string content;
        int size;
        std::vector<String> lines;
    } cases[] = {
        {"gr a 1 2 3 4\nv x\n", 512, {u"v x\n"}},
        {"cl1.0\n", 512, {}},
        // A byte-order mark is not part of the header's first two characters.
        {"\xEF\xBB\xBFheader\nv y", 512, {u"v y"}},
        {"h\n" + std::string(511, 'x') + "\nz", 512, {String(511, u'x'), u"\n", u"z"}},
        // Carriage returns are characters: CR-only files are one line, CRLF keeps its CR.
        {"h\r\na\rb\r\nc", 512, {u"a\rb\r\n", u"c"}},
        // A header longer than a line read leaves its rest as the first line.
        {std::string(513, 'h') + "\nv", 512, {u"hh\n", u"v"}},
        // Bad bytes read as U+FFFD; zero characters are characters.
        {std::string("h\nA\xC3\x28\xFF") + '\0' + "\xF0\x9F\x8E\xB8\n",
         512,
         {String{u'A', 0xFFFD, u'(', 0xFFFD, 0, 0xD83C, 0xDFB8, u'\n'}}},
        // A character beyond U+FFFF at the end of a full line continues in the next line.
        {"h\nab\xF0\x9F\x8E\xB8", 4, {String{u'a', u'b', 0xD83C}, String{0xDFB8}}},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(Lines(cases[i].content, cases[i].size), cases[i].lines) << "case " << i;
    }
}

TEST_F(ReaderTest, AShortLineLeavesNothingOfTheLongerLineBeforeIt) {
    // "g" alone: its arguments start at 2, one past its end, where the line before had text.
    TextReader reader(FromUtf8(WriteFile("f.clx", "h\nhidden 1 2 3 4\ng").string()), u"");
    char16_t line[512];
    reader.ReadLine(line, 512);
    ASSERT_NE(reader.ReadLine(line, 512), nullptr);
    EXPECT_EQ(StripLineEnd(line), 1);
    int pos = 2;
    EXPECT_EQ(NextToken(line, pos), nullptr);
}

TEST_F(ReaderTest, MissingFoldersLoopsAndEmptyFilesReadNothing) {
    EXPECT_FALSE(TextReader(TempFolder() + u"nothing.clx", u"").IsOpen());
    std::filesystem::create_directories(temp_ / "folder.clx");
    EXPECT_FALSE(TextReader(TempFolder() + u"folder.clx", u"").IsOpen());
    std::filesystem::create_symlink(temp_ / "loop.clx", temp_ / "loop.clx");
    EXPECT_FALSE(TextReader(TempFolder() + u"loop.clx", u"").IsOpen());
    EXPECT_EQ(Lines(""), std::vector<String>{});
}

}  // namespace
}  // namespace chordlane::test
