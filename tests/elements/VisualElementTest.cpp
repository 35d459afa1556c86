// What the shapes, pictures and labels draw, and where.
#include "elements/EllipseElement.h"
#include "elements/ImageElement.h"
#include "elements/NameRegistry.h"
#include "elements/TextElement.h"
#include "platform/headless/RecordingSurface.h"
#include "tests/elements/ElementTestSupport.h"
#include "tests/support/PictureBytes.h"

namespace chordlane::test {
namespace {

class ShapeImageTest : public ElementTest {
  protected:
    String Picture(const std::string& name, int32_t w, int32_t h) {
        return FromUtf8(WriteFile(name, BmpBytes(w, h, 24, 0)).string());
    }
};

TEST_F(ShapeImageTest, AllShapesDrawWithTheMappedColoursOfTheFirstShapeDrawnUntilUnload) {
    auto& first = Add<RectElement>(nullptr, u"r", R(0, 0, 10, 10));
    auto& second = Add<EllipseElement>(nullptr, u"e", R(20, 0, 30, 10));
    first.SetInt(u"ci", 0x01);
    first.SetInt(u"cA", 0x02);
    second.SetInt(u"ci", 0xFF);
    RecordingSurface surface;
    surface.SetNearestColour([](Colour c) { return c | 0x100000; });
    instrument_.options.showActive = 0;  // plays no part for shapes
    second.SetPressed(true);
    ASSERT_TRUE(first.Draw(surface) && second.Draw(surface));
    EXPECT_EQ(surface.Calls()[0].kind, DrawCall::Kind::Rectangle);
    EXPECT_EQ(surface.Calls()[0].brush.colour, 0x100001u);
    EXPECT_EQ(surface.Calls()[1].kind, DrawCall::Kind::Ellipse);
    EXPECT_EQ(surface.Calls()[1].pen.colour, 0x100002u);  // pressed: the pressed pen

    instrument_.ResetInstrument();
    EllipseElement next(instrument_, u"n", R(0, 0, 5, 5));
    next.SetInt(u"ci", 0xFF);
    ASSERT_TRUE(next.Draw(surface));
    EXPECT_EQ(surface.Calls()[2].brush.colour, 0x1000FFu);
    EXPECT_FALSE(next.Draw(*std::make_unique<RecordingSurface>(Rect{6, 6, 9, 9})));
}

TEST_F(ShapeImageTest, APictureLoadsWhenFirstShownAndIsCopiedAtItsSizeElseStretched) {
    auto& exact = Add<ImageElement>(nullptr, u"i1", Picture("a.bmp", 20, 10), R(5, 5, 25, 15));
    auto& larger = Add<ImageElement>(nullptr, u"i2", Picture("b.bmp", 40, 30), R(0, 0, 20, 10));
    EXPECT_EQ(exact.GetBitmap(), nullptr);
    Activate();
    RecordingSurface surface;
    EXPECT_TRUE(exact.Draw(surface) && larger.Draw(surface));
    ASSERT_EQ(surface.Calls().size(), 2u);
    EXPECT_EQ(surface.Calls()[0].kind, DrawCall::Kind::CopyBitmap);
    EXPECT_EQ(surface.Calls()[0].at, (Point{5, 5}));
    EXPECT_EQ(surface.Calls()[1].kind, DrawCall::Kind::StretchBitmap);
    EXPECT_EQ(surface.Calls()[1].rect, (Rect{0, 0, 20, 10}));

    // Another file name later does not replace a loaded picture.
    exact.SetString(u"xx", Picture("c.bmp", 9, 9));
    exact.SetActive(false);
    exact.SetActive(true);
    EXPECT_EQ(exact.GetBitmap()->Width(), 20);
}

TEST_F(ShapeImageTest, PicturesAreSearchedInTheHomeFolderAndSharedByTheFileOpened) {
    instrument_.load.homeFolder = TempFolder();
    Picture("neck.bmp", 8, 8);
    // The first stands in a panel never shown; its picture is shared all the same.
    auto& panel = Add<PanelElement>(nullptr, u"p", R(0, 0, 100, 100), 1);
    auto& hidden = Add<ImageElement>(&panel, u"Aa", u"neck.bmp", R(0, 0, 8, 8));
    auto& plain = Add<ImageElement>(nullptr, u"b", u"neck.bmp", R(0, 0, 8, 8));
    auto& dotted = Add<ImageElement>(nullptr, u"c", u"./neck.bmp", R(0, 0, 8, 8));
    auto& shouted = Add<ImageElement>(nullptr, u"d", u"NECK.BMP", R(0, 0, 8, 8));
    Activate();
    ASSERT_NE(plain.GetBitmap(), nullptr);
    EXPECT_EQ(dotted.GetBitmap(), plain.GetBitmap());
    EXPECT_EQ(shouted.GetBitmap(), plain.GetBitmap());
    EXPECT_EQ(instrument_.memory.pictures.Held(), 8 * 8 * 4);
    panel.SetActive(true);
    EXPECT_EQ(hidden.GetBitmap(), plain.GetBitmap());
    // Another file of the same name elsewhere is another picture.
    Picture("sub/neck.bmp", 4, 4);
    auto& other = Add<ImageElement>(nullptr, u"e", TempFolder() + u"sub/neck.bmp", R(0, 0, 4, 4));
    other.SetActive(true);
    ASSERT_NE(other.GetBitmap(), nullptr);
    EXPECT_EQ(other.GetBitmap()->Width(), 4);
    EXPECT_EQ(instrument_.memory.pictures.Held(), (8 * 8 + 4 * 4) * 4);
}

TEST_F(ShapeImageTest, PicturesPastTheLoadsPictureMemoryAreNotLoaded) {
    instrument_.memory.pictures.SetLimit(3 * 100 * 100 * 4);
    std::vector<ImageElement*> images;
    for (int k = 0; k < 4; ++k) {
        const std::string name = "p" + std::to_string(k) + ".bmp";
        images.push_back(&Add<ImageElement>(nullptr, FromUtf8("i" + std::to_string(k)),
                                            Picture(name, 100, 100), R(0, 0, 100, 100)));
    }
    Activate();
    EXPECT_NE(images[2]->GetBitmap(), nullptr);
    EXPECT_EQ(images[3]->GetBitmap(), nullptr);
    EXPECT_EQ(instrument_.memory.pictures.Held(), 3 * 100 * 100 * 4);
    // Bytes come back when the last holder lets its picture go.
    instrument_.ResetInstrument();
    EXPECT_EQ(instrument_.memory.pictures.Held(), 0);
}

using TextElementTest = ElementTest;

TEST_F(TextElementTest, NoteLabelsFollowTheShiftAndNumberLabelsAddAndScale) {
    struct Case {
        const char16_t* text;
        int32_t shift;
        const char16_t* shown;
        int32_t multiplier = 1;
        int32_t divisor = 1;
    };
    // clang-format off
    const Case cases[] = {
        // Sharps up, flats down; the table is never left, whatever the shift.
        {u"C", 1, u"C#"}, {u"C", -2, u"Bb"}, {u"Bbm", 2, u"Cm"}, {u"F#m", 1, u"Gm"},
        {u"Am7", -1, u"Abm7"}, {u"c", 3, u"c"}, {u"A", -145, u"Ab"}, {u"C", INT32_MIN, u"E"},
        {u"C", INT32_MAX, u"G"},
        // Numbers: (text + shift) * multiplier / divisor, truncated toward zero, in 64 bits;
        // with no shift, or a divisor of 0, the text as written.
        {u"+1", -3, u"-2"}, {u"-7", 2, u"-2", 1, 2}, {u"5", 0, u"5", 7, 3}, {u"+4", 3, u"+4", 1, 0},
        {u"-2147483648", INT32_MIN, u"-9223372036854775808", INT32_MIN, -1},
        {u"99999999999", 1, u"2147483648"}};
    // clang-format on
    for (const Case& c : cases) {
        TextElement label(instrument_, u"l", c.text, R(0, 0, 10, 10));
        label.SetInt(u"nm", c.multiplier);
        label.SetInt(u"nd", c.divisor);
        label.SetInt(u"ns", c.shift);
        EXPECT_EQ(label.FormatLabel(), c.shown) << ToUtf8(c.text) << " " << c.shift;
    }
}

TEST_F(TextElementTest, AngleChoosesCornerFontHeightCentringAndClipping) {
    struct Placement {
        int32_t degrees;
        Point at;
        int32_t height;
        bool clipped;
    };
    // A 60 x 100 box; "A" is half as wide as the font is high on the recording surface.
    // clang-format off
    const Placement table[] = {
        {0, {5, 0}, 100, true}, {44, {5, 0}, 100, false}, {45, {0, 65}, 60, false},
        {90, {0, 65}, 60, true}, {180, {55, 100}, 100, true}, {314, {60, 35}, 60, false},
        // Clockwise angles read like the counter-clockwise angle a turn later.
        {-90, {60, 35}, 60, true}, {-45, {55, 100}, 100, false}};
    // clang-format on
    for (const Placement& p : table) {
        TextElement label(instrument_, u"l", u"G#", R(0, 0, 60, 100));
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
    // Wider than the box: not moved.
    TextElement longer(instrument_, u"l", u"AAAAAAA", R(0, 0, 60, 100));
    RecordingSurface surface(Rect{0, 0, 10, 10});
    ASSERT_TRUE(longer.Draw(surface));
    EXPECT_EQ(surface.Calls().at(0).at, (Point{0, 0}));
    EXPECT_FALSE(longer.Draw(*std::make_unique<RecordingSurface>(Rect{70, 0, 80, 10})));
}

}  // namespace
}  // namespace chordlane::test
