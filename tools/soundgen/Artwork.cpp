#include "tools/soundgen/Artwork.h"

#include <string>

namespace chordlane::soundgen {
namespace {

constexpr Rgba NIGHT_TOP = MakeRgb(22, 28, 48);
constexpr Rgba NIGHT_BOTTOM = MakeRgb(6, 8, 14);
constexpr Rgba AMBER = MakeRgb(214, 132, 48);
constexpr Rgba AMBER_DARK = MakeRgb(150, 80, 26);
constexpr Rgba WOOD = MakeRgb(84, 50, 28);
constexpr Rgba WOOD_DARK = MakeRgb(46, 26, 14);
constexpr Rgba FRET = MakeRgb(200, 200, 190);
constexpr Rgba STRING = MakeRgb(236, 232, 220);
constexpr Rgba GOLD = MakeRgb(255, 214, 90);

// A guitar lying along the frame's x axis, about 200 units long, centred on the origin.
void DrawGuitar(Canvas& c) {
    // Body: lower and upper bouts, an outline drawn as a slightly larger dark shape first.
    c.FillEllipse(-58, 0, 42, 37, AMBER_DARK);
    c.FillEllipse(-16, 0, 33, 30, AMBER_DARK);
    c.FillEllipse(-58, 0, 39.5, 34.5, AMBER);
    c.FillEllipse(-16, 0, 30.5, 27.5, AMBER);
    c.FillEllipse(-30, 0, 12, 12, WOOD_DARK);
    c.FillEllipse(-30, 0, 8.5, 8.5, MakeRgb(20, 12, 8));
    c.FillRect(-84, -13, -76, 13, WOOD_DARK);
    // Neck, frets and headstock.
    c.FillRect(0, -8, 90, 8, WOOD);
    double x = 4.0;
    for (int fret = 0; fret < 9; ++fret) {
        c.FillRect(x, -8, x + 1.2, 8, FRET);
        x += 10.0 - fret * 0.55;
    }
    c.FillRoundRect(88, -12, 116, 12, 4, WOOD_DARK);
    for (int peg = 0; peg < 3; ++peg) {
        c.FillEllipse(95 + peg * 8, -14.5, 2.6, 2.6, FRET);
        c.FillEllipse(95 + peg * 8, 14.5, 2.6, 2.6, FRET);
    }
    for (int s = 0; s < 6; ++s) {
        const double y = -6.25 + 2.5 * s;
        c.Line(-80, y, 104, y * 1.2, 0.45 + 0.06 * (5 - s), STRING);
    }
}

}  // namespace

Canvas DrawStartupPicture() {
    Canvas c(200, 150, NIGHT_TOP);
    c.VerticalGradient(NIGHT_TOP, NIGHT_BOTTOM);
    // Strum lanes: faint strokes sweeping across where the strings will be.
    for (int i = 0; i < 5; ++i) {
        const double x = 60.0 + i * 18.0;
        Rgba lane = GOLD;
        lane.a = 34.0 + i * 8.0;
        c.Line(x, 40, x + 22, 138, 1.6, lane);
    }
    c.SetFrame(98, 90, 0.32, 0.78);
    DrawGuitar(c);
    c.ResetFrame();
    const std::string title = "CHORDLANE";
    const double scale = 2.0;
    const double left = (200.0 - Canvas::TextWidth(scale, title)) / 2.0;
    Rgba shadow = MakeRgb(0, 0, 0, 160);
    c.Text(left + 1, 12, scale, title, shadow);
    c.Text(left, 11, scale, title, GOLD);
    return c;
}

Canvas DrawIcon() {
    Canvas c(64, 64, MakeRgb(0, 0, 0, 0));
    c.FillRoundRect(2, 2, 62, 62, 12, NIGHT_BOTTOM);
    c.FillRoundRect(3, 3, 61, 61, 11, NIGHT_TOP);
    c.SetFrame(33, 31, 0.75, 0.26);
    DrawGuitar(c);
    c.ResetFrame();
    return c;
}

Canvas DrawStageBanner() {
    Canvas c(232, 40, NIGHT_TOP);
    c.VerticalGradient(MakeRgb(40, 24, 60), MakeRgb(12, 10, 24));
    const Rgba lanes[] = {MakeRgb(230, 90, 80, 200), MakeRgb(90, 200, 120, 200),
                          MakeRgb(90, 140, 240, 200)};
    for (int i = 0; i < 3; ++i) {
        const double y = 9.0 + i * 11.0;
        c.Line(6, y, 226, y, 1.2, lanes[i]);
        for (int k = 0; k < 6; ++k) c.FillEllipse(20 + k * 38 + i * 9, y, 3.2, 3.2, lanes[i]);
    }
    const std::string title = "STAGE";
    c.Text((232.0 - Canvas::TextWidth(2.0, title)) / 2.0, 13, 2.0, title, GOLD);
    return c;
}

}  // namespace chordlane::soundgen
