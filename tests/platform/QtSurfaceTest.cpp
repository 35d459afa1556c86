#include <QFontInfo>
#include <QImage>
#include <QPainter>

#include "platform/qt/QtBitmap.h"
#include "platform/qt/QtSurface.h"
#include "tests/support/ChordlaneTest.h"

namespace chordlane::test {
namespace {

constexpr Colour RED = 0x0000FF, GREEN = 0x00FF00, BLUE = 0xFF0000, WHITE = 0xFFFFFF;

QImage Blank(int w, int h, Colour background = WHITE) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(QColor(background & 0xFF, (background >> 8) & 0xFF, background >> 16));
    return image;
}

Colour At(const QImage& image, int x, int y) {
    const QRgb p = image.pixel(x, y);
    return MakeColour(qRed(p), qGreen(p), qBlue(p));
}

// The smallest rectangle holding every pixel that differs from the background.
QRect Ink(const QImage& image, Colour background = WHITE) {
    QRect box;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (At(image, x, y) != background) box |= QRect(x, y, 1, 1);
        }
    }
    return box;
}

TEST(QtSurfaceTest, ShapesCoverLeftToRightMinusOneWithAOnePixelOutline) {
    QImage image = Blank(60, 30);
    {
        QtSurface surface(image);
        surface.DrawRectangle({5, 5, 15, 12}, Pen{RED}, Brush{BLUE});
        surface.DrawEllipse({30, 0, 51, 11}, Pen{RED}, Brush{BLUE});
        surface.DrawRectangle({0, 20, 0, 25}, Pen{RED}, Brush{RED});  // empty
        surface.FillRect({8, 29, 2, 27}, GREEN);                      // given reversed
    }
    EXPECT_EQ(Ink(image), QRect(2, 0, 49, 29));
    EXPECT_EQ(At(image, 14, 11), RED);
    EXPECT_EQ(At(image, 6, 6), BLUE);
    // The ellipse: outline at the ends of its axis, inside filled, corners untouched.
    EXPECT_EQ(At(image, 50, 5), RED);
    EXPECT_EQ(At(image, 31, 5), BLUE);
    EXPECT_EQ(At(image, 30, 0), WHITE);
    EXPECT_EQ(At(image, 2, 27), GREEN);
}

TEST(QtSurfaceTest, AZoomedPainterScalesShapesSoTheOutlineIsOneLogicalPixel) {
    QImage image = Blank(20, 20);
    {
        QPainter painter(&image);
        painter.scale(2, 2);
        QtSurface surface(painter, {0, 0, 10, 10});
        surface.DrawRectangle({1, 1, 5, 5}, Pen{RED}, Brush{BLUE});
        EXPECT_EQ(surface.PaintRect(), (Rect{0, 0, 10, 10}));
        // True colour shows every colour as it is; -1 (no colour set yet) shows as white.
        EXPECT_EQ(surface.NearestColour(0x123456), 0x123456u);
        EXPECT_EQ(surface.NearestColour(0xFFFFFFFFu), WHITE);
        EXPECT_EQ(surface.ColourCount(), int64_t{1} << 24);
        // Far-off coordinates are clamped, not wrapped.
        surface.DrawEllipse({INT32_MIN, 7, INT32_MAX, 9}, Pen{GREEN}, Brush{GREEN});
    }
    EXPECT_EQ(At(image, 0, 16), GREEN);
    EXPECT_EQ(Ink(image.copy(0, 0, 20, 12)), QRect(2, 2, 8, 8));
    EXPECT_EQ(At(image, 3, 3), RED);
    EXPECT_EQ(At(image, 4, 4), BLUE);
    EXPECT_EQ(At(image, 8, 8), RED);
}

TEST(QtSurfaceTest, ArialIsLiberationSansWithTheCellHeightAskedAndTextTurnsAndClips) {
    Font font;
    font.height = 40;
    const QFont q = QtSurface::MakeQFont(font);
    EXPECT_EQ(QFontInfo(q).family(), QString("Liberation Sans"));
    const QFontMetricsF fm(q);
    EXPECT_NEAR(fm.ascent() + fm.descent(), 40.0, 1.0);

    QImage image = Blank(120, 120, RED);
    font.height = 20;
    const Rect clip{60, 5, 85, 25};
    {
        QtSurface surface(image);
        surface.DrawText(font, BLUE, {60, 60}, u"HH", nullptr);
        surface.DrawText(font, BLUE, {60, 5}, u"WWWWWW", &clip);
        font.escapement = 900;
        surface.DrawText(font, BLUE, {10, 100}, u"HHHH", nullptr);
    }
    // Hanging from its start point to the right and down.
    const QRect flat = Ink(image.copy(50, 50, 70, 70), RED).translated(50, 50);
    EXPECT_FALSE(flat.isEmpty());
    EXPECT_TRUE(QRect(60, 60, 60, 20).contains(flat));
    const QRect clipped = Ink(image.copy(50, 0, 70, 40), RED).translated(50, 0);
    EXPECT_FALSE(clipped.isEmpty());
    EXPECT_TRUE(QRect(60, 5, 25, 20).contains(clipped));
    // Reading upward from the start point, the cell to its right.
    const QRect up = Ink(image.copy(0, 0, 50, 120), RED);
    EXPECT_GT(up.height(), 2 * up.width());
    EXPECT_TRUE(QRect(10, 0, 21, 101).contains(up));
}

TEST(QtSurfaceTest, BitmapsAreCopiedUnscaledOrStretchedAndForeignOnesIgnored) {
    QImage picture(2, 2, QImage::Format_RGB32);
    picture.setPixel(0, 0, qRgb(255, 0, 0));
    picture.setPixel(1, 0, qRgb(0, 255, 0));
    picture.setPixel(0, 1, qRgb(0, 0, 255));
    picture.setPixel(1, 1, qRgb(0, 0, 0));
    const QtBitmap bitmap(picture);
    struct Foreign : Bitmap {
        int32_t Width() const override { return 5; }
        int32_t Height() const override { return 5; }
    } foreign;
    QImage image = Blank(30, 30);
    {
        QtSurface surface(image);
        surface.CopyBitmap(bitmap, {3, 4});
        surface.StretchBitmap(bitmap, {10, 10, 20, 16});
        surface.CopyBitmap(foreign, {20, 20});
        surface.StretchBitmap(foreign, {20, 20, 30, 30});
    }
    EXPECT_EQ(At(image, 4, 5), 0u);
    EXPECT_EQ(At(image, 5, 4), WHITE);
    EXPECT_EQ(At(image, 15, 10), GREEN);
    EXPECT_EQ(Ink(image.copy(20, 20, 10, 10)), QRect());
}

}  // namespace
}  // namespace chordlane::test
