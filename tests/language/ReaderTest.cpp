#include <filesystem>
#include <fstream>

#include "language/BuiltinInstrument.h"
#include "language/MemoryTextReader.h"
#include "language/Packer.h"
#include "language/Scanner.h"
#include "language/TextReader.h"
#include "tests/support/ChordlaneTest.h"

namespace chordlane::test {
namespace {

// Bytes holding the codes, two to a byte, low half first (an odd count padded with 15).
std::vector<uint8_t> Codes(std::initializer_list<int> codes) {
    std::vector<uint8_t> bytes;
    bool low = true;
    for (int code : codes) {
        if (low) {
            bytes.push_back(static_cast<uint8_t>(code));
        } else {
            bytes.back() |= static_cast<uint8_t>(code << 4);
        }
        low = !low;
    }
    if (!low) bytes.back() |= 0xF0;
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
    TextReader fromPlain(FromUtf8(WriteFile("plain.clx", plain).string()), u"");
    TextReader fromPacked(FromUtf8(WriteFile("packed.clx", other).string()), u"");
    EXPECT_FALSE(fromPlain.IsPacked());
    EXPECT_TRUE(fromPacked.IsPacked());
    EXPECT_EQ(ReadAll(fromPacked), ReadAll(fromPlain));
}

TEST_F(PackedTextTest, BuiltInInstrumentIsTheGuitarWithoutItsHeader) {
    const auto source = std::filesystem::path(CHORDLANE_TEST_DATA).parent_path().parent_path();
    std::ifstream in(source / "instruments" / "guitar.clx", std::ios::binary);
    ASSERT_TRUE(in);
    const std::string plain((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    MemoryTextReader reader(BuiltinInstrument());
    EXPECT_EQ(ReadAll(reader), SplitPlainFile(FromUtf8(plain)).text);
}

}  // namespace
}  // namespace chordlane::test
