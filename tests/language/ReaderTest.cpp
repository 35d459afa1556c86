// Reading instrument files: plain and packed text, lines, and the tokens and numbers in them.
#include <cmath>
#include <filesystem>

#include "language/MemoryTextReader.h"
#include "language/Packer.h"
#include "language/Scanner.h"
#include "language/TextReader.h"
#include "tests/support/ChordlaneTest.h"

namespace chordlane::test {
namespace {

// Bytes holding the codes, two to a byte, low half first (an odd count padded with 15).
std::vector<uint8_t> Codes(const std::vector<int>& codes) {
    std::vector<uint8_t> bytes((codes.size() + 1) / 2, 0xF0);
    for (size_t i = 0; i < codes.size(); ++i)
        bytes[i / 2] = i % 2 ? (bytes[i / 2] & 0x0F) | codes[i] << 4 : 0xF0 | codes[i];
    return bytes;
}

String ReadAll(TextReader& reader) {
    String text;
    for (char16_t c; (c = reader.ReadChar()) != END_OF_TEXT;) text.push_back(c);
    return text;
}

class ReaderTest : public ChordlaneTest {
  protected:
    // Every line the reader delivers for a file with that content, through ReadLine.
    std::vector<String> Lines(const std::string& content, int size = 512) {
        TextReader reader(instrument_.load, FromUtf8(WriteFile("f.clx", content).string()), u"");
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
    TextReader reader(instrument_.load,
                      FromUtf8(WriteFile("f.clx", "h\nhidden 1 2 3 4\ng").string()), u"");
    char16_t line[512];
    reader.ReadLine(line, 512);
    ASSERT_NE(reader.ReadLine(line, 512), nullptr);
    EXPECT_EQ(StripLineEnd(line), 1);
    int pos = 2;
    EXPECT_EQ(NextToken(line, pos), nullptr);
}

TEST_F(ReaderTest, MissingFoldersLoopsAndEmptyFilesReadNothing) {
    EXPECT_FALSE(TextReader(instrument_.load, TempFolder() + u"nothing.clx", u"").IsOpen());
    std::filesystem::create_directories(temp_ / "folder.clx");
    EXPECT_FALSE(TextReader(instrument_.load, TempFolder() + u"folder.clx", u"").IsOpen());
    std::filesystem::create_symlink(temp_ / "loop.clx", temp_ / "loop.clx");
    EXPECT_FALSE(TextReader(instrument_.load, TempFolder() + u"loop.clx", u"").IsOpen());
    EXPECT_EQ(Lines(""), std::vector<String>{});
}

using PackedTextTest = ReaderTest;

TEST_F(PackedTextTest, CodesDecodeThroughTheTableAndEscapes) {
    // 14 a b is the 8-bit a + 16b; 15 a b c d the 16-bit a + 16b + 256c + 4096d. Input that
    // ends inside an escape drops the partial character.
    const std::pair<std::vector<uint8_t>, String> cases[] = {
        {Codes({14, 1, 4, 15, 0, 2, 0, 0, 4, 11, 13, 1, 15, 0xC, 0xA, 0xC, 0x4}), u"A a09\n\u4CAC"},
        {Codes({4, 15, 1, 2}), u"a"},
        {Codes({4, 4, 14, 1}), u"aa"}};
    for (const auto& [codes, expected] : cases) {
        MemoryTextReader reader(codes);
        EXPECT_EQ(ReadAll(reader), expected);
    }
}

TEST_F(PackedTextTest, PackedFileReadsExactlyAsThePlainFileItCameFrom) {
    // Every kind of character: control, 8-bit, 16-bit, surrogates, an unassigned one.
    const std::string plain = "cl1.0 header\ngr a 1 2 3 4\r\n" + std::string(600, 'q') +
                              std::string("\n\0\x7F\xC3\xA9\xC3\xBF\xC4\x80\xE4\xB2\xAC", 12) +
                              "\xEF\xBF\xBE \xF0\x9F\x8E\xB8\n";
    const std::vector<uint8_t> packed = PackFile(SplitPlainFile(FromUtf8(plain)).text);
    ASSERT_EQ(std::string(packed.begin(), packed.begin() + 3), "CL\n");
    // Any first line beginning with "CL" marks a packed file.
    const std::string other = "CLanything at all\n" + std::string(packed.begin() + 3, packed.end());
    TextReader fromPlain(instrument_.load, FromUtf8(WriteFile("plain.clx", plain).string()), u"");
    TextReader fromPacked(instrument_.load, FromUtf8(WriteFile("packed.clx", other).string()), u"");
    EXPECT_FALSE(fromPlain.IsPacked());
    EXPECT_TRUE(fromPacked.IsPacked());
    EXPECT_EQ(ReadAll(fromPacked), ReadAll(fromPlain));
}

// A line in a 512-character buffer, as the parser holds it, with stale text after its end.
struct Line {
    explicit Line(std::u16string_view text) {
        std::fill(std::begin(chars), std::end(chars), u'#');
        text.copy(chars, text.size());
        chars[text.size()] = 0;
    }
    char16_t chars[512];
    int pos = 0;
};

TEST(ScannerTest, TokensSplitAtSeparatorsAndQuotesWithoutEscapes) {
    const std::pair<const char16_t*, std::vector<String>> cases[] = {
        {u"  \"two words\" x\t'say \"hi\"'  \"it's\" ",
         {u"two words", u"x", u"say \"hi\"", u"it's"}},
        // The character after the opening quote always belongs to the token.
        {u"\"\"x\" y", {u"\"x", u"y"}},
        // Without a closing quote the token is the rest of the line.
        {u"\"open \\\" end", {u"open \\", u"end"}},
        {u"\"open", {u"open"}},
        {u"a   '", {u"a", u""}},
    };
    for (const auto& [text, expected] : cases) {
        Line line(text);
        std::vector<String> tokens;
        while (const char16_t* token = NextToken(line.chars, line.pos)) tokens.emplace_back(token);
        EXPECT_EQ(tokens, expected) << ToUtf8(text);
    }
}

TEST(ScannerTest, IntegersInEveryBaseWithSaturation) {
    Line line(
        u"0x1F 0XfF 017 08 -5 +7 abc 12ab 0x -0x10 4294967296 -2147483649 2147483647 "
        u"0xFFFFFFFF 0x7fffffff 99999999999999999999999");
    for (int32_t expected : {31, 255, 15, 0, -5, 7, 0, 12, 0, 0, INT32_MAX, INT32_MIN, INT32_MAX,
                             INT32_MAX, INT32_MAX, INT32_MAX}) {
        EXPECT_EQ(NextInt(line.chars, line.pos), expected);
    }
    EXPECT_EQ(NextInt(line.chars, line.pos), NO_VALUE);
}

TEST(ScannerTest, RealsAreReadInDoubleAndRoundedToSingle) {
    // 1.00000005960464478 lies a little above the halfway point between 1 and the next float,
    // but its double is that halfway point exactly, which rounds to even. Parsed straight
    // into a float it would give 1 + 2^-23.
    Line line(
        u"440 -27.5 .5 1e3 2.5E-1x 0.1 abc 1e 1e400 -1e400 1e-400 3.4028235e38 3.5e38 "
        u"1.00000005960464478 \"1,5\"");
    for (float expected : {440.0f, -27.5f, 0.5f, 1000.0f, 0.25f, 0.1f, 0.0f, 1.0f, INFINITY,
                           -INFINITY, 0.0f, 3.4028235e38f, INFINITY, 1.0f, 1.0f}) {
        EXPECT_EQ(NextReal(line.chars, line.pos), expected);
    }
    EXPECT_EQ(NextReal(line.chars, line.pos), NO_REAL);
}

TEST(ScannerTest, RectanglesNeedFourNumbersAndWrapWithoutOverflow) {
    Line three(u"10 20 30");
    EXPECT_EQ(NextRect(three.chars, three.pos), nullptr);
    Line wraps(u"2147483647 0 1 0");
    const auto wrapped = NextRect(wraps.chars, wraps.pos);
    ASSERT_NE(wrapped, nullptr);
    EXPECT_EQ(*wrapped, (Rect{INT32_MAX, 0, INT32_MIN, 0}));
}

}  // namespace
}  // namespace chordlane::test
