#include "elements/EllipseElement.h"
#include "elements/ImageElement.h"
#include "language/NameRegistry.h"
#include "platform/headless/RecordingSurface.h"
#include "tests/elements/ElementTestSupport.h"
#include "tests/platform/PictureBytes.h"

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
    App().showActive = 0;  // plays no part for shapes
    second.SetPressed(true);
    ASSERT_TRUE(first.Draw(surface) && second.Draw(surface));
    EXPECT_EQ(surface.Calls()[0].kind, DrawCall::Kind::Rectangle);
    EXPECT_EQ(surface.Calls()[0].brush.colour, 0x100001u);
    EXPECT_EQ(surface.Calls()[1].kind, DrawCall::Kind::Ellipse);
    EXPECT_EQ(surface.Calls()[1].pen.colour, 0x100002u);  // pressed: the pressed pen

    ResetInstrument();
    EllipseElement next(u"n", R(0, 0, 5, 5));
    next.SetInt(u"ci", 0xFF);
    ASSERT_TRUE(next.Draw(surface));
    EXPECT_EQ(surface.Calls()[2].brush.colour, 0x1000FFu);
    EXPECT_FALSE(next.Draw(*std::make_unique<RecordingSurface>(Rect{6, 6, 9, 9})));
}

TEST_F(ShapeImageTest, APictureLoadsWhenFirstShownAndIsCopiedAtItsSizeElseStretched) {
    auto& exact = Add<ImageElement>(nullptr, u"i1", Picture("a.bmp", 20, 10), R(5, 5, 25, 15));
    auto& larger = Add<ImageElement>(nullptr, u"i2", Picture("b.bmp", 40, 30), R(0, 0, 20, 10));
    auto& missing = Add<ImageElement>(nullptr, u"m", TempFolder() + u"none.bmp", R(0, 0, 5, 5));
    EXPECT_EQ(exact.GetBitmap(), nullptr);
    Activate();
    RecordingSurface surface;
    EXPECT_TRUE(exact.Draw(surface) && larger.Draw(surface));
    EXPECT_FALSE(missing.Draw(surface));
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

TEST_F(ShapeImageTest, FarApartBoundsDoNotOverflowTheSizeComparison) {
    ImageElement image(u"i", Picture("w.bmp", 1, 1), R(INT32_MIN, 0, INT32_MAX, 1));
    image.SetActive(true);
    RecordingSurface surface(Rect{INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX});
    ASSERT_TRUE(image.Draw(surface));
    EXPECT_EQ(surface.Calls()[0].kind, DrawCall::Kind::StretchBitmap);
}

}  // namespace
}  // namespace chordlane::test
