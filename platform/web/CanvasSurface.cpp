#include "platform/web/CanvasSurface.h"

#include <emscripten.h>

#include <algorithm>
#include <climits>
#include <cmath>

#include "platform/web/JsText.h"

// The canvases and decoded pictures live in the page's object Module.page (web/page/).

// clang-format off
EM_JS(void, cl_paint_begin, (int canvas, int l, int t, int r, int b, int erase), {
    const ctx = Module.page.context(canvas);
    ctx.save();
    ctx.beginPath();
    ctx.rect(l, t, r - l, b - t);
    ctx.clip();
    if (erase) { ctx.fillStyle = "#000"; ctx.fillRect(l, t, r - l, b - t); }
});
EM_JS(void, cl_paint_end, (int canvas), { Module.page.context(canvas).restore(); });
EM_JS(void, cl_fill, (int canvas, double l, double t, double w, double h, int colour), {
    const ctx = Module.page.context(canvas);
    ctx.fillStyle = Module.page.css(colour);
    ctx.fillRect(l, t, w, h);
});
EM_JS(void, cl_ellipse, (int canvas, double cx, double cy, double rx, double ry, int colour), {
    const ctx = Module.page.context(canvas);
    ctx.fillStyle = Module.page.css(colour);
    ctx.beginPath();
    ctx.ellipse(cx, cy, rx, ry, 0, 0, 2 * Math.PI);
    ctx.fill();
});
EM_JS(void, cl_font_metrics, (int canvas, int em, int weight, int text, int length, int* out), {
    const ctx = Module.page.context(canvas);
    ctx.font = Module.page.font(em, weight);
    const m = ctx.measureText(length > 0 ? Module.page.text(text, length) : "M");
    HEAP32[out >> 2] = Math.round(m.width);
    HEAP32[(out >> 2) + 1] = Math.round(m.fontBoundingBoxAscent * 64);
    HEAP32[(out >> 2) + 2] = Math.round(m.fontBoundingBoxDescent * 64);
});
EM_JS(void, cl_text, (int canvas, int em, int weight, int colour, double x, double y,
                      double degrees, int text, int length, int clip, double cl, double ct,
                      double cw, double ch), {
    const ctx = Module.page.context(canvas);
    ctx.save();
    if (clip) { ctx.beginPath(); ctx.rect(cl, ct, cw, ch); ctx.clip(); }
    ctx.font = Module.page.font(em, weight);
    ctx.fillStyle = Module.page.css(colour);
    ctx.textBaseline = "alphabetic";
    ctx.translate(x, y);
    ctx.rotate(-degrees * Math.PI / 180);
    // The reference point is the top of the character cell: the baseline is the font's ascent
    // below it.
    const m = ctx.measureText("M");
    ctx.fillText(Module.page.text(text, length), 0, m.fontBoundingBoxAscent);
    ctx.restore();
});
EM_JS(void, cl_bitmap, (int canvas, int id, double x, double y, double w, double h, int mirrorX,
                        int mirrorY, int stretch), {
    const picture = Module.page.pictures.get(id);
    if (!picture) return;
    const ctx = Module.page.context(canvas);
    ctx.save();
    ctx.imageSmoothingEnabled = canvas === 0;
    if (!stretch) {
        ctx.drawImage(picture, x, y);
    } else {
        ctx.translate(mirrorX ? x + w : x, mirrorY ? y + h : y);
        ctx.scale(mirrorX ? -1 : 1, mirrorY ? -1 : 1);
        ctx.drawImage(picture, 0, 0, w, h);
    }
    ctx.restore();
});
EM_JS(void, cl_picture_release, (int id), { Module.page.pictures.delete(id); });
// clang-format on

namespace chordlane::web {

namespace {

// Coordinates beyond this lie far off any screen; clamping keeps the canvas's arithmetic
// finite without changing what is visible.
constexpr int64_t FAR_OFF = int64_t{1} << 24;
constexpr int MAX_FONT_PIXELS = 4096;
constexpr int DEFAULT_CELL_HEIGHT = 12;

double Clamp(int64_t v) { return static_cast<double>(std::clamp(v, -FAR_OFF, FAR_OFF)); }

struct Span {
    int64_t left, top, right, bottom;
    int64_t Width() const { return right - left; }
    int64_t Height() const { return bottom - top; }
};

Span Normalized(const Rect& r) {
    return {std::min<int64_t>(r.left, r.right), std::min<int64_t>(r.top, r.bottom),
            std::max<int64_t>(r.left, r.right), std::max<int64_t>(r.top, r.bottom)};
}

int Css(Colour c) { return static_cast<int>(c & 0x00FFFFFFu); }

void Fill(int32_t canvas, int64_t l, int64_t t, int64_t r, int64_t b, Colour c) {
    cl_fill(canvas, Clamp(l), Clamp(t), Clamp(r) - Clamp(l), Clamp(b) - Clamp(t), Css(c));
}

int Weight(const Font& font) { return std::clamp(font.weight, 1, 1000); }

struct Metrics {
    int width = 0;
    double ascent = 0, descent = 0;
};

Metrics Measure(int32_t canvas, int em, int weight, const String* text) {
    int out[3] = {0, 0, 0};
    if (text) {
        const JsText js(*text);
        cl_font_metrics(canvas, em, weight, static_cast<int>(js.data), js.length, out);
    } else {
        cl_font_metrics(canvas, em, weight, 0, 0, out);
    }
    return {out[0], out[1] / 64.0, out[2] / 64.0};
}

int Em(int32_t canvas, const Font& font) {
    double cellPerEm = 0.0;
    if (font.pointTenths <= 0 && font.height >= 0) {
        // Only a cell height needs the face's proportions, measured at a size that gives them
        // to a fraction of a pixel.
        constexpr int PROBE = 100;
        const Metrics probe = Measure(canvas, PROBE, Weight(font), nullptr);
        cellPerEm = (probe.ascent + probe.descent) / PROBE;
    }
    return CanvasSurface::EmPixels(font, cellPerEm);
}

}  // namespace

CanvasBitmap::CanvasBitmap(int32_t id, int32_t width, int32_t height)
    : id_(id), width_(width), height_(height) {}

CanvasBitmap::~CanvasBitmap() { cl_picture_release(id_); }

CanvasSurface::CanvasSurface(int32_t canvas, const Rect& r) : canvas_(canvas), paintRect_(r) {
    cl_paint_begin(canvas, r.left, r.top, r.right, r.bottom, 1);
}

CanvasSurface::~CanvasSurface() { cl_paint_end(canvas_); }

int32_t CanvasSurface::EmPixels(const Font& font, double cellPerEm) {
    int em = 0;
    if (font.pointTenths > 0) {
        // Points for the screen at 96 dots per inch.
        em = static_cast<int>(std::lround(font.pointTenths * 96.0 / 720.0));
    } else if (font.height < 0) {
        // A negative height is the character height without the cell's leading.
        em = font.height == INT32_MIN ? MAX_FONT_PIXELS : -font.height;
    } else {
        // A positive height is the whole cell, ascent plus descent; the canvas sizes fonts
        // by their em.
        const int cell =
            font.height > 0 ? std::min(font.height, MAX_FONT_PIXELS) : DEFAULT_CELL_HEIGHT;
        em = cellPerEm > 0 ? static_cast<int>(std::lround(cell / cellPerEm)) : cell;
    }
    return std::clamp(em, 1, MAX_FONT_PIXELS);
}

Colour CanvasSurface::NearestColour(Colour c) const {
    // A true-colour canvas shows every 0x00BBGGRR value as it is; -1, what the background
    // variable holds before anything sets it, shows as white.
    if (c == 0xFFFFFFFFu) return 0x00FFFFFFu;
    return c & 0x00FFFFFFu;
}

void CanvasSurface::FillRect(const Rect& r, Colour c) {
    const Span s = Normalized(r);
    if (s.Width() <= 0 || s.Height() <= 0) return;
    Fill(canvas_, s.left, s.top, s.right, s.bottom, NearestColour(c));
}

void CanvasSurface::DrawRectangle(const Rect& r, const Pen& pen, const Brush& brush) {
    const Span s = Normalized(r);
    if (s.Width() <= 0 || s.Height() <= 0) return;
    const Colour line = NearestColour(pen.colour);
    Fill(canvas_, s.left, s.top, s.right, s.bottom, NearestColour(brush.colour));
    // The outline is the outermost ring of pixels of the filled area.
    Fill(canvas_, s.left, s.top, s.right, s.top + 1, line);
    Fill(canvas_, s.left, s.bottom - 1, s.right, s.bottom, line);
    Fill(canvas_, s.left, s.top, s.left + 1, s.bottom, line);
    Fill(canvas_, s.right - 1, s.top, s.right, s.bottom, line);
}

void CanvasSurface::DrawEllipse(const Rect& r, const Pen& pen, const Brush& brush) {
    const Span s = Normalized(r);
    if (s.Width() <= 0 || s.Height() <= 0) return;
    // The outline colour fills the whole ellipse and the brush its inside one pixel in, so
    // the outline is one pixel wide at every scale.
    const double cx = (Clamp(s.left) + Clamp(s.right)) / 2,
                 cy = (Clamp(s.top) + Clamp(s.bottom)) / 2;
    const double rx = (Clamp(s.right) - Clamp(s.left)) / 2,
                 ry = (Clamp(s.bottom) - Clamp(s.top)) / 2;
    cl_ellipse(canvas_, cx, cy, rx, ry, Css(NearestColour(pen.colour)));
    if (s.Width() > 2 && s.Height() > 2)
        cl_ellipse(canvas_, cx, cy, rx - 1, ry - 1, Css(NearestColour(brush.colour)));
}

Size CanvasSurface::TextExtent(const Font& font, const String& text) {
    const Metrics m = Measure(canvas_, Em(canvas_, font), Weight(font), &text);
    return {m.width, static_cast<int32_t>(std::ceil(m.ascent) + std::ceil(m.descent))};
}

void CanvasSurface::DrawText(const Font& font, Colour colour, Point at, const String& text,
                             const Rect* clip) {
    if (text.empty()) return;
    const JsText js(text);
    Span c{};
    if (clip) c = Normalized(*clip);
    cl_text(canvas_, Em(canvas_, font), Weight(font), Css(NearestColour(colour)), at.x, at.y,
            font.escapement / 10.0, static_cast<int>(js.data), js.length, clip ? 1 : 0,
            Clamp(c.left), Clamp(c.top), Clamp(c.right) - Clamp(c.left),
            Clamp(c.bottom) - Clamp(c.top));
}

void CanvasSurface::CopyBitmap(const Bitmap& bitmap, Point at) {
    const auto* picture = dynamic_cast<const CanvasBitmap*>(&bitmap);
    if (!picture) return;
    cl_bitmap(canvas_, picture->Id(), at.x, at.y, picture->Width(), picture->Height(), 0, 0, 0);
}

void CanvasSurface::StretchBitmap(const Bitmap& bitmap, const Rect& dest) {
    const auto* picture = dynamic_cast<const CanvasBitmap*>(&bitmap);
    if (!picture) return;
    const Span s = Normalized(dest);
    if (s.Width() <= 0 || s.Height() <= 0) return;
    // A destination given right-to-left or bottom-to-top shows the picture mirrored.
    cl_bitmap(canvas_, picture->Id(), Clamp(s.left), Clamp(s.top), Clamp(s.right) - Clamp(s.left),
              Clamp(s.bottom) - Clamp(s.top), dest.right < dest.left, dest.bottom < dest.top, 1);
}

}  // namespace chordlane::web
