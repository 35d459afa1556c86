#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "language/Scanner.h"
#include "platform/Text.h"

namespace chordlane {
namespace {

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
}  // namespace chordlane
