#include "elements/EllipseElement.h"
#include "elements/ImageElement.h"
#include "elements/RectElement.h"
#include "language/NameRegistry.h"
#include "platform/headless/RecordingSurface.h"
#include "tests/elements/ElementTestSupport.h"
#include "tests/platform/PictureBytes.h"

namespace chordlane::test {
namespace {

class ShapeImageTest : public ElementTest {
protected:
    //! A bitmap file of w x h in the temporary folder; answers its path.
    String Picture(const std::string& name, int32_t w, int32_t h) {
        return FromUtf8(WriteFile(name, BmpBytes(w, h, 24, 0)).string());
    }
};

TEST_F(ShapeImageTest, AllShapesDrawWithTheMappedColoursOfTheFirstShapeDrawn) {
    auto& first = Add<RectElement>(nullptr, u"r", R(0, 0, 10, 10));
    auto& second = Add<EllipseElement>(nullptr, u"e", R(20, 0, 30, 10));
    first.SetInt(u"ci", 0x000001);
    first.SetInt(u"cI", 0x000002);
    second.SetInt(u"ci", 0x0000FF);
    RecordingSurface surface;
    surface.SetNearestColour([](Colour c) { return c | 0x100000; });
    ASSERT_TRUE(first.Draw(surface));
    ASSERT_TRUE(second.Draw(surface));
    first.SetInt(u"ci", 0x000003);
    ASSERT_TRUE(first.Draw(surface));

    ASSERT_EQ(surface.Calls().size(), 3u);
    EXPECT_EQ(surface.Calls()[0].kind, DrawCall::Kind::Rectangle);
    EXPECT_EQ(surface.Calls()[1].kind, DrawCall::Kind::Ellipse);
    EXPECT_EQ(surface.Calls()[1].rect, (Rect{20, 0, 30, 10}));
    for (const DrawCall& call : surface.Calls()) {
        EXPECT_EQ(call.brush.colour, 0x100001u);
        EXPECT_EQ(call.pen.colour, 0x100002u);
    }

    // After the instrument is unloaded the next shape drawn sets the colours again.
    ResetInstrument();
    surface.Clear();
    EllipseElement next(u"n", R(0, 0, 5, 5));
    next.SetInt(u"ci", 0x0000FF);
    ASSERT_TRUE(next.Draw(surface));
    EXPECT_EQ(surface.Calls()[0].brush.colour, 0x1000FFu);
}

TEST_F(ShapeImageTest, APressedShapeUsesThePressedColoursWhateverShowActiveSays) {
    auto& shape = Add<RectElement>(nullptr, u"r", R(0, 0, 10, 10));
    shape.SetInt(u"ca", 0x0000AA);
    shape.SetInt(u"cA", 0x0000BB);
    App().showActive = 0;
    shape.SetPressed(true);
    RecordingSurface surface;
    ASSERT_TRUE(shape.Draw(surface));
    EXPECT_EQ(surface.Calls()[0].brush.colour, 0x0000AAu);
    EXPECT_EQ(surface.Calls()[0].pen.colour, 0x0000BBu);
    EXPECT_TRUE(platform_.window.Repaints().empty());
}

TEST_F(ShapeImageTest, ShapesOutsideThePaintedAreaOrWithoutBoundsAreNotDrawn) {
    RectElement shape(u"r", R(100, 100, 110, 110));
    RectElement none(u"n", nullptr);
    RecordingSurface surface(Rect{0, 0, 99, 99});
    EXPECT_FALSE(shape.Draw(surface));
    EXPECT_FALSE(none.Draw(surface));
    surface.SetPaintRect({110, 110, 200, 200});  // a shared edge is enough
    EXPECT_TRUE(shape.Draw(surface));
}

TEST_F(ShapeImageTest, PictureLoadsWhenFirstActiveAndIsCopiedOrStretched) {
    auto& exact = Add<ImageElement>(nullptr, u"i1", Picture("a.bmp", 20, 10), R(5, 5, 25, 15));
    auto& larger = Add<ImageElement>(nullptr, u"i2", Picture("b.bmp", 40, 30), R(0, 0, 20, 10));
    auto& smaller = Add<ImageElement>(nullptr, u"i3", Picture("c.bmp", 2, 2), R(0, 0, 20, 10));
    EXPECT_EQ(exact.GetBitmap(), nullptr);
    RecordingSurface surface;
    EXPECT_FALSE(exact.Draw(surface));

    Activate();
    ASSERT_NE(exact.GetBitmap(), nullptr);
    EXPECT_TRUE(exact.Draw(surface));
    EXPECT_TRUE(larger.Draw(surface));
    EXPECT_TRUE(smaller.Draw(surface));
    ASSERT_EQ(surface.Calls().size(), 3u);
    EXPECT_EQ(surface.Calls()[0].kind, DrawCall::Kind::CopyBitmap);
    EXPECT_EQ(surface.Calls()[0].at, (Point{5, 5}));
    EXPECT_EQ(surface.Calls()[0].bitmap, exact.GetBitmap().get());
    EXPECT_EQ(surface.Calls()[1].kind, DrawCall::Kind::StretchBitmap);
    EXPECT_EQ(surface.Calls()[1].rect, (Rect{0, 0, 20, 10}));
    EXPECT_EQ(surface.Calls()[2].kind, DrawCall::Kind::StretchBitmap);
}

TEST_F(ShapeImageTest, APictureThatCannotLoadIsNeverDrawnAndALoadedOneStays) {
    auto& missing = Add<ImageElement>(nullptr, u"m", TempFolder() + u"missing.bmp", R(0, 0, 5, 5));
    auto& kept = Add<ImageElement>(nullptr, u"k", Picture("k.bmp", 5, 5), R(0, 0, 5, 5));
    Activate();
    RecordingSurface surface;
    EXPECT_FALSE(missing.Draw(surface));
    EXPECT_EQ(missing.GetBitmap(), nullptr);

    const Bitmap* before = kept.GetBitmap().get();
    kept.SetString(u"xx", Picture("other.bmp", 9, 9));
    EXPECT_EQ(kept.GetFileName(), Picture("other.bmp", 9, 9));
    kept.SetActive(false);
    kept.SetActive(true);
    EXPECT_EQ(kept.GetBitmap().get(), before);
    EXPECT_EQ(kept.GetBitmap()->Width(), 5);
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
