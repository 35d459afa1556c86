#pragma once
// A small RGBA drawing surface for the program's pictures. Shapes are tested at 4 x 4 points
// per pixel, which gives smooth edges without any floating-point function that could differ
// between machines.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace chordlane::soundgen {

struct Rgba {
    double r = 0.0, g = 0.0, b = 0.0, a = 255.0;
};

inline constexpr Rgba MakeRgb(int r, int g, int b, int a = 255) {
    return {static_cast<double>(r), static_cast<double>(g), static_cast<double>(b),
            static_cast<double>(a)};
}

class Canvas {
  public:
    Canvas(int width, int height, Rgba fill);

    int Width() const { return width_; }
    int Height() const { return height_; }
    //! Red, green, blue, alpha of a pixel, rounded to bytes.
    void PixelBytes(int x, int y, uint8_t out[4]) const;

    //! Later shapes are drawn rotated by angle (radians, counter-clockwise on screen) and
    //! scaled about (cx, cy); coordinates are then given relative to that point.
    void SetFrame(double cx, double cy, double angle, double scale);
    void ResetFrame();

    void VerticalGradient(Rgba top, Rgba bottom);
    void FillRect(double left, double top, double right, double bottom, Rgba colour);
    void FillRoundRect(double left, double top, double right, double bottom, double radius,
                       Rgba colour);
    void FillEllipse(double cx, double cy, double rx, double ry, Rgba colour);
    //! A line with round ends, halfWidth pixels either side of its centre line.
    void Line(double x0, double y0, double x1, double y1, double halfWidth, Rgba colour);
    //! Upper-case letters, digits and spaces in a 5 x 7 pixel font, each font pixel
    //! scale pixels wide; answers the width drawn.
    double Text(double left, double top, double scale, const std::string& text, Rgba colour);
    //! The width Text would draw.
    static double TextWidth(double scale, const std::string& text);

  private:
    // Covers every pixel whose sample points satisfy inside, blending colour over it.
    void Paint(const std::function<bool(double, double)>& inside, Rgba colour);

    int width_;
    int height_;
    std::vector<Rgba> pixels_;
    double frameX_ = 0.0, frameY_ = 0.0, cos_ = 1.0, sin_ = 0.0, scale_ = 1.0;
};

}  // namespace chordlane::soundgen
