#include "elements/TextElement.h"
#include "platform/headless/RecordingSurface.h"
#include "tests/elements/ElementTestSupport.h"

namespace chordlane::test {
namespace {

class TextElementTest : public ElementTest {
protected:
    String Shown(const String& text, int32_t shift, int32_t multiplier = 1, int32_t divisor = 1) {
        TextElement label(u"l", text, R(0, 0, 10, 10));
        label.SetInt(u"nm", multiplier);
        label.SetInt(u"nd", divisor);
        label.SetInt(u"ns", shift);
        return label.FormatLabel();
    }
};

TEST_F(TextElementTest, NoteLabelsFollowTheShiftWithSharpsUpAndFlatsDown) {
    EXPECT_EQ(Shown(u"C", 0), u"C");
    EXPECT_EQ(Shown(u"C", 1), u"C#");
    EXPECT_EQ(Shown(u"C", -1), u"B");
    EXPECT_EQ(Shown(u"C", -2), u"Bb");
    EXPECT_EQ(Shown(u"C", 12), u"C");
    EXPECT_EQ(Shown(u"Bbm", 2), u"Cm");
    EXPECT_EQ(Shown(u"Ab", 0), u"Ab");
    EXPECT_EQ(Shown(u"F#m", 1), u"Gm");
    EXPECT_EQ(Shown(u"Am7", 1), u"A#m7");
    EXPECT_EQ(Shown(u"Am7", -1), u"Abm7");
    EXPECT_EQ(Shown(u"G#", 1), u"A");
    EXPECT_EQ(Shown(u"Ab", 1), u"A");
    // Lower-case letters and other text stay as written.
    EXPECT_EQ(Shown(u"c", 3), u"c");
    EXPECT_EQ(Shown(u"Hm", 3), u"Hm");
}

TEST_F(TextElementTest, NoteLabelsStayInTheTableForAnyShift) {
    EXPECT_EQ(Shown(u"A", -145), u"Ab");
    EXPECT_EQ(Shown(u"C", -200), u"E");
    EXPECT_EQ(Shown(u"C", INT32_MIN), u"E");
    EXPECT_EQ(Shown(u"C", INT32_MAX), u"G");
}

TEST_F(TextElementTest, NumberLabelsAddScaleAndKeepAWrittenPlus) {
    EXPECT_EQ(Shown(u"+1", 2), u"+3");
    EXPECT_EQ(Shown(u"+1", -3), u"-2");
    EXPECT_EQ(Shown(u"+1", -1), u"0");
    EXPECT_EQ(Shown(u"3", 1, 3, 2), u"6");
    EXPECT_EQ(Shown(u"-7", 2, 1, 2), u"-2");  // truncated toward zero
    EXPECT_EQ(Shown(u"5", 0, 7, 3), u"5");
    EXPECT_EQ(Shown(u"12fret", 1), u"13");
}

TEST_F(TextElementTest, NumberLabelWithDivisorZeroShowsItsText) {
    EXPECT_EQ(Shown(u"+4", 3, 1, 0), u"+4");
}

TEST_F(TextElementTest, NumberLabelsNeverOverflow) {
    TextElement label(u"l", u"-2147483648", R(0, 0, 10, 10));
    label.SetInt(u"ns", INT32_MIN);
    label.SetInt(u"nm", INT32_MIN);
    EXPECT_EQ(label.FormatLabel(), u"9223372036854775807");
    label.SetInt(u"nd", -1);
    EXPECT_EQ(label.FormatLabel(), u"-9223372036854775808");
    EXPECT_EQ(Shown(u"99999999999", 1), u"2147483648");
}

TEST_F(TextElementTest, PropertiesOfALabel) {
    TextElement label(u"l", u"D", R(10, 20, 110, 60));
    label.SetInt(u"at", 90);
    EXPECT_EQ(label.GetInt(u"at"), 900);
    label.SetInt(u"at", 450);
    EXPECT_EQ(label.GetInt(u"at"), 900);
    label.SetInt(u"at", -90);
    EXPECT_EQ(label.GetInt(u"at"), -900);
    label.SetInt(u"ct", 0x123456);
    EXPECT_EQ(label.GetInt(u"cI"), 0x123456);
    label.SetInt(u"ci", 0x654321);
    label.SetInt(u"ca", 0x654321);
    label.SetInt(u"cA", 0x654321);
    EXPECT_EQ(label.FillColour(), 0x909090u);
    EXPECT_EQ(label.PressedFillColour(), 0x0080FFu);
    EXPECT_EQ(label.PressedLineColour(), 0u);
    // Unknown names answer -1, not NO_VALUE; "nm" and "nd" cannot be read back.
    EXPECT_EQ(label.GetInt(u"ci"), -1);
    EXPECT_EQ(label.GetInt(u"nm"), -1);
    EXPECT_EQ(label.GetInt(u"x"), -1);
    label.SetInt(u"ns", 2);
    EXPECT_EQ(label.GetInt(u"ns"), 2);
}

TEST_F(TextElementTest, NewTextIsParsedAgainAndItsAreaRepaintedLater) {
    TextElement label(u"l", u"plain", R(10, 20, 110, 60));
    label.SetInt(u"ns", 2);
    EXPECT_EQ(label.FormatLabel(), u"plain");
    App().pendingRepaint = {};
    label.SetString(u"t", u"E");
    EXPECT_EQ(label.FormatLabel(), u"F#");
    EXPECT_EQ(App().pendingRepaint, (Rect{10, 20, 110, 60}));
    label.SetString(u"tt", u"C");
    label.SetString(u"T", u"C");
    EXPECT_EQ(label.Text(), u"E");
    label.SetString(u"t", u"+5");
    EXPECT_EQ(label.FormatLabel(), u"+7");
    EXPECT_TRUE(platform_.window.Repaints().empty());  // nothing is painted before a flush
}

struct Placement {
    int32_t degrees;
    Point at;
    int32_t fontHeight;
    bool clipped;
};

TEST_F(TextElementTest, AngleChoosesTheStartCornerFontHeightCentringAndClipping) {
    // A 60 x 100 box; "A" is half as wide as the font is high on the recording surface.
    const Placement table[] = {
        {0, {5, 0}, 100, true},      {44, {5, 0}, 100, false},
        {45, {0, 65}, 60, false},    {90, {0, 65}, 60, true},
        {180, {55, 100}, 100, true}, {315, {55, 100}, 100, false},
        {270, {60, 35}, 60, true},   {314, {60, 35}, 60, false},
        // Clockwise angles read like the counter-clockwise angle a turn later.
        {-90, {60, 35}, 60, true},   {-45, {55, 100}, 100, false},
    };
    for (const Placement& p : table) {
        TextElement label(u"l", u"A", R(0, 0, 60, 100));
        label.SetInt(u"at", p.degrees);
        RecordingSurface surface;
        ASSERT_TRUE(label.Draw(surface));
        ASSERT_EQ(surface.Calls().size(), 1u);
        const DrawCall& call = surface.Calls()[0];
        EXPECT_EQ(call.at, p.at) << p.degrees;
        EXPECT_EQ(call.font.height, p.fontHeight) << p.degrees;
        EXPECT_EQ(call.font.escapement, label.GetInt(u"at")) << p.degrees;
        EXPECT_EQ(call.font.face, u"Arial");
        EXPECT_EQ(call.clipped, p.clipped) << p.degrees;
        if (call.clipped) {
            EXPECT_EQ(call.clip, (Rect{0, 0, 60, 100}));
        }
    }
}

TEST_F(TextElementTest, DrawsTheTransposedLabelInTheMappedColourUncentredWhenTooLong) {
    TextElement label(u"l", u"Cmaj7", R(10, 10, 40, 30));
    label.SetInt(u"ns", 1);
    label.SetInt(u"cI", 0x000010);
    RecordingSurface surface;
    surface.SetNearestColour([](Colour c) { return c + 1; });
    ASSERT_TRUE(label.Draw(surface));
    const DrawCall& call = surface.Calls()[0];
    EXPECT_EQ(call.text, u"C#maj7");
    EXPECT_EQ(call.colour, 0x000011u);
    EXPECT_EQ(call.at, (Point{10, 10}));

    RecordingSurface elsewhere(Rect{100, 100, 200, 200});
    EXPECT_FALSE(label.Draw(elsewhere));
    EXPECT_TRUE(elsewhere.Calls().empty());
}

}  // namespace
}  // namespace chordlane::test
