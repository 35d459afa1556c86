#include <QFontInfo>
#include <QImage>
#include <QPainter>

#include "platform/qt/QtBitmap.h"
#include "platform/qt/QtSurface.h"
#include "tests/support/ChordlaneTest.h"

namespace chordlane::test {
namespace {

constexpr Colour RED = MakeColour(255, 0, 0);
constexpr Colour BLUE = MakeColour(0, 0, 255);
constexpr Colour GREEN = MakeColour(0, 255, 0);

QImage WhiteImage(int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(Qt::white);
    return image;
}

// The pixel as a colour reference 0x00BBGGRR.
Colour At(const QImage& image, int x, int y) {
    const QRgb p = image.pixel(x, y);
    return MakeColour(qRed(p), qGreen(p), qBlue(p));
}

// The smallest rectangle holding every pixel that is not white; empty when there is none.
QRect Ink(const QImage& image) {
    QRect box;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if ((image.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF) box |= QRect(x, y, 1, 1);
        }
    }
    return box;
}

TEST(QtSurfaceTest, RectangleCoversLeftToRightMinusOneWithTheOutlineOnItsEdge) {
    QImage image = WhiteImage(30, 30);
    {
        QtSurface surface(image);
        surface.DrawRectangle({5, 5, 15, 12}, Pen{RED}, Brush{BLUE});
    }
    EXPECT_EQ(At(image, 5, 5), RED);
    EXPECT_EQ(At(image, 14, 11), RED);
    EXPECT_EQ(At(image, 14, 8), RED);
    EXPECT_EQ(At(image, 10, 11), RED);
    EXPECT_EQ(At(image, 6, 6), BLUE);
    EXPECT_EQ(At(image, 13, 10), BLUE);
    EXPECT_EQ(At(image, 15, 8), 0xFFFFFFu);
    EXPECT_EQ(At(image, 10, 12), 0xFFFFFFu);
    EXPECT_EQ(At(image, 4, 8), 0xFFFFFFu);
    EXPECT_EQ(Ink(image), QRect(5, 5, 10, 7));
}

TEST(QtSurfaceTest, EllipseIsInscribedInTheSameAreaWithAOnePixelOutline) {
    QImage image = WhiteImage(30, 20);
    {
        QtSurface surface(image);
        surface.DrawEllipse({0, 0, 21, 11}, Pen{RED}, Brush{BLUE});
    }
    EXPECT_EQ(Ink(image), QRect(0, 0, 21, 11));
    EXPECT_EQ(At(image, 10, 5), BLUE);
    EXPECT_EQ(At(image, 0, 5), RED);
    EXPECT_EQ(At(image, 20, 5), RED);
    EXPECT_EQ(At(image, 10, 0), RED);
    EXPECT_EQ(At(image, 10, 10), RED);
    EXPECT_EQ(At(image, 1, 5), BLUE);
    EXPECT_EQ(At(image, 10, 1), BLUE);
    EXPECT_EQ(At(image, 0, 0), 0xFFFFFFu);
    EXPECT_EQ(At(image, 20, 10), 0xFFFFFFu);
}

TEST(QtSurfaceTest, ShapesScaleWithThePainterSoTheOutlineIsOneLogicalPixel) {
    QImage image = WhiteImage(20, 20);
    {
        QPainter painter(&image);
        painter.scale(2, 2);
        QtSurface surface(painter, {0, 0, 10, 10});
        surface.DrawRectangle({1, 1, 5, 5}, Pen{RED}, Brush{BLUE});
    }
    EXPECT_EQ(Ink(image), QRect(2, 2, 8, 8));
    EXPECT_EQ(At(image, 3, 3), RED);
    EXPECT_EQ(At(image, 4, 4), BLUE);
    EXPECT_EQ(At(image, 7, 7), BLUE);
    EXPECT_EQ(At(image, 8, 8), RED);
    EXPECT_EQ(At(image, 9, 9), RED);
}

TEST(QtSurfaceTest, FillsNormaliseReversedRectanglesAndIgnoreEmptyOnes) {
    QImage image = WhiteImage(20, 20);
    {
        QtSurface surface(image);
        surface.FillRect({8, 9, 2, 3}, GREEN);
        surface.FillRect({15, 15, 15, 19}, RED);
        surface.DrawRectangle({15, 15, 19, 15}, Pen{RED}, Brush{RED});
        surface.DrawEllipse({15, 15, 15, 15}, Pen{RED}, Brush{RED});
    }
    EXPECT_EQ(Ink(image), QRect(2, 3, 6, 6));
    EXPECT_EQ(At(image, 2, 3), GREEN);
}

TEST(QtSurfaceTest, HugeCoordinatesDrawWhatIsVisibleWithoutOverflow) {
    QImage image = WhiteImage(10, 10);
    {
        QtSurface surface(image);
        surface.DrawRectangle({INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX}, Pen{RED}, Brush{BLUE});
    }
    EXPECT_EQ(At(image, 0, 0), BLUE);
    EXPECT_EQ(At(image, 9, 9), BLUE);
    {
        QtSurface surface(image);
        surface.DrawEllipse({INT32_MIN, -5, INT32_MAX, 5}, Pen{RED}, Brush{GREEN});
        surface.FillRect({INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN}, RED);
    }
    EXPECT_EQ(At(image, 5, 5), RED);
}

TEST(QtSurfaceTest, TrueColourShowsEveryColourAndTheUnsetBackgroundAsWhite) {
    QImage image = WhiteImage(4, 4);
    QtSurface surface(image);
    EXPECT_EQ(surface.NearestColour(0x123456), 0x123456u);
    EXPECT_EQ(surface.NearestColour(0xFFFFFFFFu), 0xFFFFFFu);
    EXPECT_EQ(surface.ColourCount(), int64_t{1} << 24);
    EXPECT_EQ(surface.PaintRect(), (Rect{0, 0, 4, 4}));
    surface.FillRect({0, 0, 4, 4}, 0xFFFFFFFFu);
    surface.FillRect({0, 0, 2, 2}, 0x01000080u);
    EXPECT_EQ(At(image, 3, 3), 0xFFFFFFu);
    EXPECT_EQ(At(image, 0, 0), 0x000080u);
}

TEST(QtSurfaceTest, ArialIsMatchedToLiberationSansWithTheCellHeightAsked) {
    Font font;
    font.height = 40;
    const QFont q = QtSurface::MakeQFont(font);
    EXPECT_EQ(QFontInfo(q).family(), QString("Liberation Sans"));
    const QFontMetricsF fm(q);
    EXPECT_NEAR(fm.ascent() + fm.descent(), 40.0, 1.0);

    // 20 points at 96 dots per inch is an em of 27 pixels.
    Font points;
    points.pointTenths = 200;
    EXPECT_EQ(QtSurface::MakeQFont(points).pixelSize(), 27);

    QImage image = WhiteImage(4, 4);
    QtSurface surface(image);
    const Size one = surface.TextExtent(font, u"H");
    const Size four = surface.TextExtent(font, u"HHHH");
    EXPECT_GT(one.cx, 0);
    EXPECT_EQ(four.cx, 4 * one.cx);
    EXPECT_NEAR(four.cy, 40, 1);
}

TEST(QtSurfaceTest, TextStartsAtTheTopLeftOfItsCellOnATransparentBackground) {
    QImage image = WhiteImage(100, 60);
    image.fill(QColor(255, 0, 0));
    Font font;
    font.height = 30;
    {
        QtSurface surface(image);
        surface.DrawText(font, BLUE, {10, 10}, u"HH", nullptr);
    }
    QRect ink;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (At(image, x, y) != RED) ink |= QRect(x, y, 1, 1);
        }
    }
    ASSERT_FALSE(ink.isEmpty());
    EXPECT_GE(ink.left(), 10);
    EXPECT_GE(ink.top(), 10);
    EXPECT_LT(ink.bottom(), 40);
    // The strokes are in the text colour, and around them the background shows through.
    int blue = 0, red = 0;
    for (int y = ink.top(); y <= ink.bottom(); ++y) {
        for (int x = ink.left(); x <= ink.right(); ++x) {
            blue += At(image, x, y) == BLUE;
            red += At(image, x, y) == RED;
        }
    }
    EXPECT_GT(blue, 20);
    EXPECT_GT(red, 20);
}

TEST(QtSurfaceTest, EscapementTurnsTextCounterClockwise) {
    QImage image = WhiteImage(80, 120);
    Font font;
    font.height = 20;
    font.escapement = 900;
    {
        QtSurface surface(image);
        surface.DrawText(font, 0, {10, 100}, u"HHHH", nullptr);
    }
    const QRect ink = Ink(image);
    ASSERT_FALSE(ink.isEmpty());
    // Reading upward from the start point, the cell lying to its right.
    EXPECT_GT(ink.height(), 2 * ink.width());
    EXPECT_GE(ink.left(), 10);
    EXPECT_LT(ink.right(), 31);
    EXPECT_LE(ink.bottom(), 100);
    EXPECT_LT(ink.top(), 70);
}

TEST(QtSurfaceTest, ClippedTextStaysInsideTheClipRectangle) {
    QImage image = WhiteImage(120, 40);
    Font font;
    font.height = 30;
    const Rect clip{5, 5, 30, 25};
    {
        QtSurface surface(image);
        surface.DrawText(font, 0, {5, 5}, u"WWWWWW", &clip);
    }
    const QRect ink = Ink(image);
    ASSERT_FALSE(ink.isEmpty());
    EXPECT_TRUE(QRect(5, 5, 25, 20).contains(ink));
}

TEST(QtSurfaceTest, BitmapsAreCopiedUnscaledOrStretchedIntoTheDestination) {
    QImage picture(2, 2, QImage::Format_RGB32);
    picture.setPixel(0, 0, qRgb(255, 0, 0));
    picture.setPixel(1, 0, qRgb(0, 255, 0));
    picture.setPixel(0, 1, qRgb(0, 0, 255));
    picture.setPixel(1, 1, qRgb(0, 0, 0));
    const QtBitmap bitmap(picture);

    QImage image = WhiteImage(30, 30);
    {
        QtSurface surface(image);
        surface.CopyBitmap(bitmap, {3, 4});
        surface.StretchBitmap(bitmap, {10, 10, 20, 16});
        surface.StretchBitmap(bitmap, {29, 0, 25, 2});  // right to left: mirrored
    }
    EXPECT_EQ(At(image, 3, 4), RED);
    EXPECT_EQ(At(image, 4, 5), 0u);
    EXPECT_EQ(At(image, 5, 4), 0xFFFFFFu);
    EXPECT_EQ(At(image, 10, 10), RED);
    EXPECT_EQ(At(image, 14, 12), RED);
    EXPECT_EQ(At(image, 15, 10), GREEN);
    EXPECT_EQ(At(image, 19, 15), 0u);
    EXPECT_EQ(At(image, 10, 13), BLUE);
    EXPECT_EQ(At(image, 20, 10), 0xFFFFFFu);
    EXPECT_EQ(At(image, 25, 0), GREEN);
    EXPECT_EQ(At(image, 28, 0), RED);
}

TEST(QtSurfaceTest, BitmapsOfAnotherPlatformAreNotDrawn) {
    class Foreign : public Bitmap {
      public:
        int32_t Width() const override { return 5; }
        int32_t Height() const override { return 5; }
    } foreign;
    QImage image = WhiteImage(10, 10);
    {
        QtSurface surface(image);
        surface.CopyBitmap(foreign, {0, 0});
        surface.StretchBitmap(foreign, {0, 0, 10, 10});
    }
    EXPECT_TRUE(Ink(image).isEmpty());
}

}  // namespace
}  // namespace chordlane::test
