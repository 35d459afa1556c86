#include "platform/web/CanvasSurface.h"

#include <emscripten.h>

#include <algorithm>
#include <climits>
#include <cmath>

#include "platform/SurfaceGeometry.h"
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

int Css(Colour c) { return static_cast<int>(c & 0x00FFFFFFu); }

void Fill(int32_t canvas, int64_t l, int64_t t, int64_t r, int64_t b, Colour c) {
    cl_fill(canvas, ClampFarOff(l), ClampFarOff(t), ClampFarOff(r) - ClampFarOff(l),
            ClampFarOff(b) - ClampFarOff(t), Css(c));
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
    return FontEmPixels(font, [canvas, &font](int em) {
        // The canvas gives its metrics in whole pixels at small sizes; the face's proportion is
        // measured at a size that gives it to a fraction of a pixel.
        constexpr int PROBE = 100;
        const Metrics m = Measure(canvas, PROBE, Weight(font), nullptr);
        return (m.ascent + m.descent) * em / PROBE;
    });
}

}  // namespace

CanvasBitmap::CanvasBitmap(int32_t id, int32_t width, int32_t height)
    : id_(id), width_(width), height_(height) {}

CanvasBitmap::~CanvasBitmap() { cl_picture_release(id_); }

CanvasSurface::CanvasSurface(int32_t canvas, const Rect& r) : canvas_(canvas), paintRect_(r) {
    cl_paint_begin(canvas, r.left, r.top, r.right, r.bottom, 1);
}

CanvasSurface::~CanvasSurface() { cl_paint_end(canvas_); }

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
    const double cx = (ClampFarOff(s.left) + ClampFarOff(s.right)) / 2,
                 cy = (ClampFarOff(s.top) + ClampFarOff(s.bottom)) / 2;
    const double rx = (ClampFarOff(s.right) - ClampFarOff(s.left)) / 2,
                 ry = (ClampFarOff(s.bottom) - ClampFarOff(s.top)) / 2;
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
            ClampFarOff(c.left), ClampFarOff(c.top), ClampFarOff(c.right) - ClampFarOff(c.left),
            ClampFarOff(c.bottom) - ClampFarOff(c.top));
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
    cl_bitmap(canvas_, picture->Id(), ClampFarOff(s.left), ClampFarOff(s.top),
              ClampFarOff(s.right) - ClampFarOff(s.left),
              ClampFarOff(s.bottom) - ClampFarOff(s.top), dest.right < dest.left,
              dest.bottom < dest.top, 1);
}

}  // namespace chordlane::web
