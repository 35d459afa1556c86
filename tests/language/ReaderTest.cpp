#include <filesystem>
#include <random>

#include "language/Packer.h"
#include "language/Scanner.h"
#include "language/TextReader.h"
#include "tests/support/ChordlaneTest.h"

namespace chordlane::test {
namespace {

class ReaderTest : public ChordlaneTest {
protected:
    // Every line the reader delivers for a file with that content, through ReadLine.
    std::vector<String> Lines(const std::string& content, int size = 512) {
        const auto path = WriteFile("f.clx", content);
        TextReader reader(FromUtf8(path.string()), u"");
        EXPECT_TRUE(reader.IsOpen());
        std::vector<String> lines;
        std::vector<char16_t> buffer(size);
        for (int n; (n = reader.ReadLineLength(buffer.data(), size)) >= 0;) {
            lines.emplace_back(buffer.data(), n);
        }
        return lines;
    }
};

TEST_F(ReaderTest, TheHeaderLineIsNeverDelivered) {
    EXPECT_EQ(Lines("gr a 1 2 3 4\nv x\n"), (std::vector<String>{u"v x\n"}));
    EXPECT_EQ(Lines("cl1.0\n"), std::vector<String>{});
    // A byte-order mark is not part of the header's first two characters.
    EXPECT_EQ(Lines("\xEF\xBB\xBFheader\nv y"), (std::vector<String>{u"v y"}));
}

TEST_F(ReaderTest, LongLinesSplitAndLineEndsStayInTheLine) {
    const std::string line511(511, 'x');
    EXPECT_EQ(Lines("h\n" + line511 + "\nz"),
              (std::vector<String>{String(511, u'x'), u"\n", u"z"}));
    // Carriage returns are characters: CR-only files are one line, CRLF keeps its CR.
    EXPECT_EQ(Lines("h\r\na\rb\r\nc"), (std::vector<String>{u"a\rb\r\n", u"c"}));
    // A header longer than a line read leaves its rest as the first line.
    EXPECT_EQ(Lines(std::string(513, 'h') + "\nv"), (std::vector<String>{u"hh\n", u"v"}));
}

TEST_F(ReaderTest, AShortLineLeavesNothingOfTheLongerLineBeforeIt) {
    // "g" alone: its arguments start at 2, one past its end, where the line before had text.
    const auto path = WriteFile("f.clx", "h\nhidden 1 2 3 4\ng");
    TextReader reader(FromUtf8(path.string()), u"");
    char16_t line[512];
    ASSERT_NE(reader.ReadLine(line, 512), nullptr);
    ASSERT_NE(reader.ReadLine(line, 512), nullptr);
    EXPECT_EQ(StripLineEnd(line), 1);
    int pos = 2;
    EXPECT_EQ(NextToken(line, pos), nullptr);
}

TEST_F(ReaderTest, BadBytesAndZeroCharactersAreReadNotFatal) {
    const std::vector<String> lines =
        Lines(std::string("h\nA\xC3\x28\xFF") + '\0' + "\xF0\x9F\x8E\xB8\n");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], (String{u'A', 0xFFFD, u'(', 0xFFFD, 0, 0xD83C, 0xDFB8, u'\n'}));
    // A character beyond U+FFFF at the end of a full line continues in the next line.
    const std::vector<String> split = Lines("h\nab\xF0\x9F\x8E\xB8", 4);
    EXPECT_EQ(split, (std::vector<String>{String{u'a', u'b', 0xD83C}, String{0xDFB8}}));
}

TEST_F(ReaderTest, StreamedDecodingAgreesWithTheWholeFileDecoding) {
    // The packer and the build step decode whole files; the reader streams. A file must
    // read the same both ways, whatever its bytes.
    std::mt19937 random(12345);
    const std::string alphabet = "ab\n\r\x80\xBF\xC2\xE0\xED\xF0\xF4\xF5\xFF\xA0\x9F\x8E";
    for (int round = 0; round < 300; ++round) {
        std::string bytes;
        const size_t length = random() % 5000;
        for (size_t i = 0; i < length; ++i) bytes.push_back(alphabet[random() % alphabet.size()]);
        String streamed;
        for (const String& line : Lines(bytes)) streamed += line;
        const PlainBody body = SplitPlainFile(FromUtf8(bytes));
        if (body.packed) continue;
        ASSERT_EQ(streamed, body.text) << "round " << round;
    }
}

TEST_F(ReaderTest, MissingFoldersUnreadableAndEmptyFiles) {
    EXPECT_FALSE(TextReader(TempFolder() + u"nothing.clx", u"").IsOpen());
    std::filesystem::create_directories(temp_ / "folder.clx");
    EXPECT_FALSE(TextReader(TempFolder() + u"folder.clx", u"").IsOpen());
    std::filesystem::create_symlink(temp_ / "loop.clx", temp_ / "loop.clx");
    EXPECT_FALSE(TextReader(TempFolder() + u"loop.clx", u"").IsOpen());

    WriteFile("empty.clx", "");
    TextReader empty(TempFolder() + u"empty.clx", u"");
    EXPECT_TRUE(empty.IsOpen());
    char16_t buffer[512];
    EXPECT_EQ(empty.ReadLine(buffer, 512), nullptr);
    EXPECT_EQ(empty.ReadChar(), END_OF_TEXT);
}

TEST_F(ReaderTest, PushedBackCharacterComesFirst) {
    const auto path = WriteFile("f.clx", "h\n? answer\nnext\n");
    TextReader reader(FromUtf8(path.string()), u"");
    const char16_t c = reader.ReadChar();
    EXPECT_EQ(c, u'?');
    reader.UnreadChar(c);
    char16_t buffer[512];
    ASSERT_NE(reader.ReadLine(buffer, 512), nullptr);
    EXPECT_EQ(String(buffer), u"? answer\n");
    // The end of the input is not pushed back.
    while (reader.ReadChar() != END_OF_TEXT) {
    }
    reader.UnreadChar(END_OF_TEXT);
    EXPECT_EQ(reader.ReadLine(buffer, 512), nullptr);
    // A buffer with no room for a character reads nothing and consumes nothing.
    reader.UnreadChar(u'y');
    EXPECT_EQ(reader.ReadLine(buffer, 1), nullptr);
    EXPECT_EQ(reader.ReadChar(), u'y');
}

}  // namespace
}  // namespace chordlane::test
