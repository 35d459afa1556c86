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
    const std::vector<std::pair<String, int32_t>> cases = {
        {u"C", 0}, {u"C", 1}, {u"C", -1}, {u"C", -2}, {u"C", 12}, {u"Bbm", 2}, {u"Ab", 0},
        {u"F#m", 1}, {u"Am7", 1}, {u"Am7", -1}, {u"G#", 1}, {u"c", 3},
        // The table is never left, whatever the shift.
        {u"A", -145}, {u"C", -200}, {u"C", INT32_MIN}, {u"C", INT32_MAX}};
    std::vector<String> shown;
    for (const auto& [text, shift] : cases) shown.push_back(Shown(text, shift));
    EXPECT_EQ(shown, (std::vector<String>{u"C", u"C#", u"B", u"Bb", u"C", u"Cm", u"Ab", u"Gm",
                                          u"A#m7", u"Abm7", u"A", u"c", u"Ab", u"E", u"E", u"G"}));
}

TEST_F(TextElementTest, NumberLabelsAddAndScaleWithoutOverflow) {
    EXPECT_EQ(Shown(u"+1", 2), u"+3");
    EXPECT_EQ(Shown(u"+1", -3), u"-2");
    EXPECT_EQ(Shown(u"3", 1, 3, 2), u"6");
    EXPECT_EQ(Shown(u"-7", 2, 1, 2), u"-2");  // truncated toward zero
    EXPECT_EQ(Shown(u"5", 0, 7, 3), u"5");
    EXPECT_EQ(Shown(u"+4", 3, 1, 0), u"+4");  // divisor 0: the text as written
    EXPECT_EQ(Shown(u"-2147483648", INT32_MIN, INT32_MIN, -1), u"-9223372036854775808");
    EXPECT_EQ(Shown(u"99999999999", 1), u"2147483648");
}

TEST_F(TextElementTest, PropertiesOfALabel) {
    TextElement label(u"l", u"plain", R(10, 20, 110, 60));
    label.SetInt(u"at", 450);
    EXPECT_EQ(label.GetInt(u"at"), 900);
    label.SetInt(u"at", -90);
    EXPECT_EQ(label.GetInt(u"at"), -900);
    label.SetInt(u"ct", 0x123456);
    label.SetInt(u"ci", 0x654321);
    EXPECT_EQ(label.GetInt(u"cI"), 0x123456);
    EXPECT_EQ(label.FillColour(), 0x909090u);
    EXPECT_EQ(label.GetInt(u"ci"), -1);  // unknown names answer -1
    EXPECT_EQ(label.GetInt(u"nm"), -1);

    label.SetInt(u"ns", 2);
    EXPECT_EQ(label.FormatLabel(), u"plain");
    App().pendingRepaint = {};
    label.SetString(u"t", u"E");
    label.SetString(u"tt", u"C");
    EXPECT_EQ(label.FormatLabel(), u"F#");
    EXPECT_EQ(App().pendingRepaint, (Rect{10, 20, 110, 60}));
    EXPECT_TRUE(platform_.window.Repaints().empty());
}

TEST_F(TextElementTest, AngleChoosesCornerFontHeightCentringAndClipping) {
    struct Placement {
        int32_t degrees;
        Point at;
        int32_t height;
        bool clipped;
    };
    // A 60 x 100 box; "A" is half as wide as the font is high on the recording surface.
    const Placement table[] = {
        {0, {5, 0}, 100, true},      {44, {5, 0}, 100, false},   {45, {0, 65}, 60, false},
        {90, {0, 65}, 60, true},     {180, {55, 100}, 100, true}, {315, {55, 100}, 100, false},
        {270, {60, 35}, 60, true},   {314, {60, 35}, 60, false},
        // Clockwise angles read like the counter-clockwise angle a turn later.
        {-90, {60, 35}, 60, true},   {-45, {55, 100}, 100, false}};
    for (const Placement& p : table) {
        TextElement label(u"l", u"G#", R(0, 0, 60, 100));
        label.SetInt(u"at", p.degrees);
        label.SetInt(u"ns", 1);  // shown as "A"
        label.SetInt(u"cI", 0x10);
        RecordingSurface surface;
        surface.SetNearestColour([](Colour c) { return c + 1; });
        ASSERT_TRUE(label.Draw(surface));
        const DrawCall& call = surface.Calls().at(0);
        EXPECT_EQ(call.text, u"A");
        EXPECT_EQ(call.colour, 0x11u);
        EXPECT_EQ(call.at, p.at) << p.degrees;
        EXPECT_EQ(call.font.height, p.height) << p.degrees;
        EXPECT_EQ(call.font.escapement, p.degrees % 360 * 10);
        EXPECT_EQ(call.clipped, p.clipped) << p.degrees;
    }
    TextElement longer(u"l", u"AAAAAAA", R(0, 0, 60, 100));  // wider than the box: not moved
    RecordingSurface surface(Rect{0, 0, 10, 10});
    ASSERT_TRUE(longer.Draw(surface));
    EXPECT_EQ(surface.Calls().at(0).at, (Point{0, 0}));
    EXPECT_FALSE(longer.Draw(*std::make_unique<RecordingSurface>(Rect{70, 0, 80, 10})));
}

}  // namespace
}  // namespace chordlane::test
