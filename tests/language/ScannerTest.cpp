#include <gtest/gtest.h>

#include <cmath>

#include "language/Scanner.h"

namespace chordlane {
namespace {

// A line in a 512-character buffer, as the parser holds it.
struct Line {
    explicit Line(std::u16string_view text) {
        std::fill(std::begin(chars), std::end(chars), u'#');
        text.copy(chars, text.size());
        chars[text.size()] = 0;
    }
    char16_t chars[512];
    int pos = 0;

    String Token() {
        const char16_t* token = NextToken(chars, pos);
        return token ? String(token) : String(u"<none>");
    }
    int32_t Int() { return NextInt(chars, pos); }
    float Real() { return NextReal(chars, pos); }
};

TEST(ScannerTest, StripLineEndRemovesOnlyTrailingLineEnds) {
    Line line(u"a\rb \r\n\r\n");
    EXPECT_EQ(StripLineEnd(line.chars), 4);
    EXPECT_EQ(String(line.chars), u"a\rb ");
    Line empty(u"\r\n");
    EXPECT_EQ(StripLineEnd(empty.chars), 0);
}

TEST(ScannerTest, TokensSplitAtSeparatorsAndQuotes) {
    Line line(u"  \"two words\" x\t'say \"hi\"'  \"it's\" ");
    EXPECT_EQ(line.Token(), u"two words");
    EXPECT_EQ(line.Token(), u"x");
    EXPECT_EQ(line.Token(), u"say \"hi\"");
    EXPECT_EQ(line.Token(), u"it's");
    EXPECT_EQ(line.Token(), u"<none>");

    // The character after the opening quote always belongs to the token.
    Line doubled(u"\"\"x\" y");
    EXPECT_EQ(doubled.Token(), u"\"x");
    EXPECT_EQ(doubled.Token(), u"y");
    // Without a closing quote the token is the rest of the line; no escapes.
    Line open(u"\"open \\\" end");
    EXPECT_EQ(open.Token(), u"open \\");
    EXPECT_EQ(open.Token(), u"end");
    Line unclosed(u"\"open");
    EXPECT_EQ(unclosed.Token(), u"open");
    EXPECT_EQ(unclosed.Token(), u"<none>");
    Line lastQuote(u"a   '");
    EXPECT_EQ(lastQuote.Token(), u"a");
    EXPECT_EQ(PeekChar(lastQuote.chars, lastQuote.pos), u'\'');  // not consumed
    EXPECT_EQ(lastQuote.pos, 4);
    EXPECT_EQ(lastQuote.Token(), u"");
    EXPECT_EQ(lastQuote.Token(), u"<none>");
    EXPECT_EQ(PeekChar(lastQuote.chars, lastQuote.pos), 0);
    EXPECT_EQ(lastQuote.pos, 5);
}

TEST(ScannerTest, IntegersInEveryBaseWithSaturation) {
    Line line(
        u"0x1F 0XfF 017 08 -5 +7 abc 12ab 0x -0x10 4294967296 -2147483649 2147483647 "
        u"0xFFFFFFFF 0x7fffffff 99999999999999999999999");
    for (int32_t expected : {31, 255, 15, 0, -5, 7, 0, 12, 0, 0, INT32_MAX, INT32_MIN, INT32_MAX,
                             INT32_MAX, INT32_MAX, INT32_MAX}) {
        EXPECT_EQ(line.Int(), expected);
    }
    EXPECT_EQ(line.Int(), NO_VALUE);
}

TEST(ScannerTest, RealsAreReadInDoubleAndRoundedToSingle) {
    Line line(
        u"440 -27.5 .5 1e3 2.5E-1x 0.1 abc 1e 1e400 -1e400 1e-400 3.4028235e38 3.5e38 "
        u"\"1,5\"");
    for (float expected : {440.0f, -27.5f, 0.5f, 1000.0f, 0.25f, 0.1f, 0.0f, 1.0f, INFINITY,
                           -INFINITY, 0.0f, 3.4028235e38f, INFINITY, 1.0f}) {
        EXPECT_EQ(line.Real(), expected);
    }
    EXPECT_EQ(line.Real(), NO_REAL);
    // Rounded twice, as the program does: this number lies a little above the halfway
    // point between 1 and the next float, but its double is that halfway point exactly,
    // which rounds to even. Parsed straight into a float it would give 1 + 2^-23.
    Line precise(u"1.00000005960464478");
    EXPECT_EQ(precise.Real(), 1.0f);
}

TEST(ScannerTest, RectanglesNeedFourNumbers) {
    Line line(u"10 20 30 40");
    const auto rect = NextRect(line.chars, line.pos);
    ASSERT_NE(rect, nullptr);
    EXPECT_EQ(*rect, (Rect{10, 20, 40, 60}));
    Line three(u"10 20 30");
    EXPECT_EQ(NextRect(three.chars, three.pos), nullptr);
    Line wraps(u"2147483647 0 1 0");
    const auto wrapped = NextRect(wraps.chars, wraps.pos);
    ASSERT_NE(wrapped, nullptr);
    EXPECT_EQ(wrapped->right, INT32_MIN);
}

}  // namespace
}  // namespace chordlane
