#include "tools/soundgen/Canvas.h"

#include <algorithm>
#include <cmath>

#include "tools/soundgen/SoundMath.h"

namespace chordlane::soundgen {
namespace {

// Rows of 5 bits, top row first, most significant bit on the left.
struct Glyph {
    char c;
    uint8_t rows[7];
};

constexpr Glyph FONT[] = {
    {'A', {0x0E, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11}},
    {'C', {0x0E, 0x11, 0x10, 0x10, 0x10, 0x11, 0x0E}},
    {'D', {0x1E, 0x11, 0x11, 0x11, 0x11, 0x11, 0x1E}},
    {'E', {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x1F}},
    {'G', {0x0E, 0x11, 0x10, 0x17, 0x11, 0x11, 0x0F}},
    {'H', {0x11, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11}},
    {'I', {0x0E, 0x04, 0x04, 0x04, 0x04, 0x04, 0x0E}},
    {'K', {0x11, 0x12, 0x14, 0x18, 0x14, 0x12, 0x11}},
    {'L', {0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x1F}},
    {'M', {0x11, 0x1B, 0x15, 0x15, 0x11, 0x11, 0x11}},
    {'N', {0x11, 0x19, 0x15, 0x13, 0x11, 0x11, 0x11}},
    {'O', {0x0E, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E}},
    {'P', {0x1E, 0x11, 0x11, 0x1E, 0x10, 0x10, 0x10}},
    {'R', {0x1E, 0x11, 0x11, 0x1E, 0x14, 0x12, 0x11}},
    {'S', {0x0F, 0x10, 0x10, 0x0E, 0x01, 0x01, 0x1E}},
    {'T', {0x1F, 0x04, 0x04, 0x04, 0x04, 0x04, 0x04}},
    {'U', {0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E}},
    {'Y', {0x11, 0x11, 0x0A, 0x04, 0x04, 0x04, 0x04}},
};

const Glyph* FindGlyph(char c) {
    for (const Glyph& g : FONT) {
        if (g.c == c) return &g;
    }
    return nullptr;
}

double Blend(double under, double over, double alpha) { return under + (over - under) * alpha; }

}  // namespace

Canvas::Canvas(int width, int height, Rgba fill)
    : width_(width), height_(height), pixels_(static_cast<size_t>(width) * height, fill) {}

void Canvas::PixelBytes(int x, int y, uint8_t out[4]) const {
    const Rgba& p = pixels_[static_cast<size_t>(y) * width_ + x];
    const double channels[4] = {p.r, p.g, p.b, p.a};
    for (int i = 0; i < 4; ++i) {
        out[i] = static_cast<uint8_t>(std::clamp(std::floor(channels[i] + 0.5), 0.0, 255.0));
    }
}

void Canvas::SetFrame(double cx, double cy, double angle, double scale) {
    frameX_ = cx;
    frameY_ = cy;
    cos_ = Cos(angle);
    sin_ = Sin(angle);
    scale_ = scale;
}

void Canvas::ResetFrame() { SetFrame(0.0, 0.0, 0.0, 1.0); }

void Canvas::VerticalGradient(Rgba top, Rgba bottom) {
    for (int y = 0; y < height_; ++y) {
        const double t = height_ > 1 ? static_cast<double>(y) / (height_ - 1) : 0.0;
        const Rgba c{Blend(top.r, bottom.r, t), Blend(top.g, bottom.g, t),
                     Blend(top.b, bottom.b, t), Blend(top.a, bottom.a, t)};
        for (int x = 0; x < width_; ++x) pixels_[static_cast<size_t>(y) * width_ + x] = c;
    }
}

void Canvas::Paint(const std::function<bool(double, double)>& inside, Rgba colour) {
    constexpr int SUB = 4;
    for (int y = 0; y < height_; ++y) {
        for (int x = 0; x < width_; ++x) {
            int hits = 0;
            for (int sy = 0; sy < SUB; ++sy) {
                for (int sx = 0; sx < SUB; ++sx) {
                    // Device point to frame coordinates: undo the shift, rotation and scale.
                    const double dx = x + (sx + 0.5) / SUB - frameX_;
                    const double dy = y + (sy + 0.5) / SUB - frameY_;
                    const double u = (dx * cos_ - dy * sin_) / scale_;
                    const double v = (dx * sin_ + dy * cos_) / scale_;
                    if (inside(u, v)) ++hits;
                }
            }
            if (hits == 0) continue;
            const double alpha = colour.a / 255.0 * hits / (SUB * SUB);
            Rgba& p = pixels_[static_cast<size_t>(y) * width_ + x];
            // Painting over a transparent pixel must not darken it towards black.
            const double under = p.a / 255.0;
            const double outAlpha = alpha + under * (1.0 - alpha);
            if (outAlpha <= 0.0) continue;
            p.r = (colour.r * alpha + p.r * under * (1.0 - alpha)) / outAlpha;
            p.g = (colour.g * alpha + p.g * under * (1.0 - alpha)) / outAlpha;
            p.b = (colour.b * alpha + p.b * under * (1.0 - alpha)) / outAlpha;
            p.a = outAlpha * 255.0;
        }
    }
}

void Canvas::FillRect(double left, double top, double right, double bottom, Rgba colour) {
    Paint([=](double u, double v) { return u >= left && u < right && v >= top && v < bottom; },
          colour);
}

void Canvas::FillRoundRect(double left, double top, double right, double bottom, double radius,
                           Rgba colour) {
    Paint(
        [=](double u, double v) {
            if (u < left || u >= right || v < top || v >= bottom) return false;
            const double cu = std::clamp(u, left + radius, right - radius);
            const double cv = std::clamp(v, top + radius, bottom - radius);
            return (u - cu) * (u - cu) + (v - cv) * (v - cv) <= radius * radius;
        },
        colour);
}

void Canvas::FillEllipse(double cx, double cy, double rx, double ry, Rgba colour) {
    Paint(
        [=](double u, double v) {
            const double a = (u - cx) / rx;
            const double b = (v - cy) / ry;
            return a * a + b * b <= 1.0;
        },
        colour);
}

void Canvas::Line(double x0, double y0, double x1, double y1, double halfWidth, Rgba colour) {
    const double dx = x1 - x0;
    const double dy = y1 - y0;
    const double lengthSquared = dx * dx + dy * dy;
    Paint(
        [=](double u, double v) {
            double t = lengthSquared > 0.0 ? ((u - x0) * dx + (v - y0) * dy) / lengthSquared : 0.0;
            t = std::clamp(t, 0.0, 1.0);
            const double px = x0 + t * dx - u;
            const double py = y0 + t * dy - v;
            return px * px + py * py <= halfWidth * halfWidth;
        },
        colour);
}

double Canvas::TextWidth(double scale, const std::string& text) {
    return text.empty() ? 0.0 : (6.0 * static_cast<double>(text.size()) - 1.0) * scale;
}

double Canvas::Text(double left, double top, double scale, const std::string& text, Rgba colour) {
    double x = left;
    for (char c : text) {
        if (const Glyph* glyph = FindGlyph(c)) {
            const double gx = x;
            Paint(
                [=](double u, double v) {
                    const int col = static_cast<int>(std::floor((u - gx) / scale));
                    const int row = static_cast<int>(std::floor((v - top) / scale));
                    if (col < 0 || col > 4 || row < 0 || row > 6) return false;
                    return ((glyph->rows[row] >> (4 - col)) & 1) != 0;
                },
                colour);
        }
        x += 6.0 * scale;
    }
    return x - left - scale;
}

}  // namespace chordlane::soundgen
