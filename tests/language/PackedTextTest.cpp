#include <filesystem>
#include <fstream>

#include "language/BuiltinInstrument.h"
#include "language/MemoryTextReader.h"
#include "language/Packer.h"
#include "language/TextReader.h"
#include "tests/support/ChordlaneTest.h"

namespace chordlane::test {
namespace {

class PackedTextTest : public ChordlaneTest {};

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
