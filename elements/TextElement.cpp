#include "elements/TextElement.h"

#include <algorithm>
#include <string>

#include "elements/Instrument.h"
#include "platform/Text.h"

namespace chordlane {

namespace {

// Indexed by pitch class, A = 0; one entry past G# so a flat can name the next letter.
constexpr char16_t NOTE_LETTERS[] = u"AABCCDDEFFGGA";

bool IsSharpPosition(int64_t pitchClass) {
    switch (pitchClass) {
        case 1:
        case 4:
        case 6:
        case 9:
        case 11:
            return true;
        default:
            return false;
    }
}

int32_t PitchClassOfLetter(char16_t letter) {
    switch (letter) {
        case u'A':
            return 0;
        case u'B':
            return 2;
        case u'C':
            return 3;
        case u'D':
            return 5;
        case u'E':
            return 7;
        case u'F':
            return 8;
        default:
            return 10;  // G
    }
}

// An optional sign and decimal digits, stopping at anything else; saturates at the 32-bit
// limits as the C library's conversion does.
int32_t LeadingInteger(const String& text) {
    size_t pos = 0;
    bool negative = false;
    if (pos < text.size() && (text[pos] == u'+' || text[pos] == u'-')) {
        negative = text[pos] == u'-';
        ++pos;
    }
    int64_t value = 0;
    for (; pos < text.size() && text[pos] >= u'0' && text[pos] <= u'9'; ++pos) {
        value = std::min<int64_t>(value * 10 + (text[pos] - u'0'), int64_t{1} << 31);
    }
    value = negative ? -value : value;
    return static_cast<int32_t>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
}

int32_t ClampToInt32(int64_t v) {
    return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}

}  // namespace

TextElement::TextElement(Instrument& owner, String name, String text, std::unique_ptr<Rect> bounds)
    : VisualElement(owner, std::move(name)), text_(std::move(text)) {
    TextElement::Reset();
    bounds_ = std::move(bounds);
    ParseLabel();
}

void TextElement::Reset() {
    VisualElement::Reset();
    angle_ = 0;
    base_ = -1;
    shift_ = 0;
    multiplier_ = 1;
    divisor_ = 1;
    mode_ = PLAIN;
}

void TextElement::RepaintLater() {
    if (bounds_) Owner().AddPendingRepaint(*bounds_);
}

void TextElement::SetInt(const String& property, int32_t value) {
    if (property == u"at") {
        // The remainder keeps the sign of the value; tenths of a degree from here on.
        angle_ = (value % 360) * 10;
    } else if (property == u"cI" || property == u"ct") {
        lineColour_ = static_cast<Colour>(value);
    } else if (property == u"nd") {
        divisor_ = value;
        RepaintLater();
    } else if (property == u"nm") {
        multiplier_ = value;
        RepaintLater();
    } else if (property == u"ns") {
        shift_ = value;
        RepaintLater();
    }
    // The fill colours are not a label's: "ci", "ca" and "cA" change nothing.
}

int32_t TextElement::GetInt(const String& property) {
    if (property == u"at") return angle_;
    if (property == u"cI" || property == u"ct") return static_cast<int32_t>(lineColour_);
    if (property == u"ns") return shift_;
    return -1;
}

void TextElement::SetString(const String& property, const String& value) {
    if (property != u"t") return;
    text_ = value;
    ParseLabel();
    RepaintLater();
}

void TextElement::ParseLabel() {
    mode_ = PLAIN;
    if (text_.empty()) return;
    const char16_t first = text_[0];
    if (first >= u'A' && first <= u'G') {
        // Lower-case note letters stay plain text.
        mode_ = NOTE;
        base_ = PitchClassOfLetter(first);
        if (text_.size() > 1) {
            if (text_[1] == u'#') {
                base_ += 1;
            } else if (text_[1] == u'b') {
                base_ = base_ == 0 ? 11 : base_ - 1;
            }
        }
    } else if (first == u'+' || first == u'-' || (first >= u'0' && first <= u'9')) {
        mode_ = NUMBER;
        base_ = LeadingInteger(text_);
    }
}

String TextElement::FormatLabel() const {
    if (mode_ == PLAIN || shift_ == 0) return text_;
    if (mode_ == NOTE) {
        // A true remainder: the shift may lie anywhere in the 32-bit range, and a negative
        // index must never reach the letter table.
        int64_t p = (int64_t{base_} + shift_) % 12;
        if (p < 0) p += 12;
        String label;
        if (IsSharpPosition(p)) {
            if (shift_ > 0) {
                label = {NOTE_LETTERS[p], u'#'};
            } else {
                label = {NOTE_LETTERS[p + 1], u'b'};
            }
        } else {
            label = {NOTE_LETTERS[p]};
        }
        // A written sharp or flat that landed on a sharp position takes two characters.
        const size_t written = IsSharpPosition(base_) ? 2 : 1;
        if (text_.size() > written) label += text_.substr(written);
        return label;
    }
    // A number label whose divisor is 0 has no value to show: it shows what was written.
    if (divisor_ == 0) return text_;
    // 128 bits: the sum and product of three 32-bit values cannot overflow there.
    const __int128 product = (__int128{base_} + shift_) * multiplier_;
    const __int128 quotient = product / divisor_;
    const int64_t v = quotient > INT64_MAX   ? INT64_MAX
                      : quotient < INT64_MIN ? INT64_MIN
                                             : static_cast<int64_t>(quotient);
    std::string digits = std::to_string(v);
    if (!text_.empty() && text_[0] == u'+' && v > 0) digits.insert(digits.begin(), '+');
    return Ascii(digits);
}

bool TextElement::Draw(Surface& surface) {
    if (!bounds_ || !IsVisibleIn(surface.PaintRect())) return false;
    const Rect& b = *bounds_;
    const int64_t w = int64_t{b.right} - b.left;
    const int64_t h = int64_t{b.bottom} - b.top;
    // Text cut at the box only where it runs along an edge of it.
    const bool clip = angle_ % 900 == 0;
    // A negative angle turns clockwise: it reads in the same direction as the positive
    // angle a full turn later, and starts from the same corner.
    const int32_t direction = angle_ < 0 ? angle_ + 3600 : angle_;

    Font font;
    font.escapement = angle_;
    font.weight = 400;
    font.antialiased = true;
    font.face = u"Arial";
    int row = 0;
    int64_t x = 0, y = 0;
    if (direction < 450) {
        row = 0, x = b.left, y = b.top, font.height = ClampToInt32(h);
    } else if (direction < 1350) {
        row = 1, x = b.left, y = b.bottom, font.height = ClampToInt32(w);
    } else if (direction < 2250 || direction >= 3150) {
        row = 2, x = b.right, y = b.bottom, font.height = ClampToInt32(h);
    } else {
        row = 3, x = b.right, y = b.top, font.height = ClampToInt32(w);
    }

    const String label = FormatLabel();
    const int64_t cx = surface.TextExtent(font, label).cx;
    const int64_t m = ((row == 0 || row == 2) ? w - cx : h - cx) / 2;
    if (m > 0) {
        switch (row) {
            case 0:
                x += m;
                break;
            case 1:
                y -= m;
                break;
            case 2:
                x -= m;
                break;
            default:
                y += m;
                break;
        }
    }
    surface.DrawText(font, surface.NearestColour(lineColour_), {ClampToInt32(x), ClampToInt32(y)},
                     label, clip ? bounds_.get() : nullptr);
    return true;
}

}  // namespace chordlane
