#pragma once
#include <memory>

#include "elements/Element.h"

namespace chordlane {

// A text label. A label written as a note name ("C", "F#m", "Bbm7") or as a number ("+2",
// "5") follows its transposition "ns" (and, for numbers, "nm" and "nd"), so the names on
// frets and chord buttons move when an action changes the key or the capo.
class TextElement : public VisualElement {
  public:
    TextElement(Instrument& owner, String name, String text, std::unique_ptr<Rect> bounds);

    const char* ClassName() const override { return "TextElement"; }
    void Reset() override;
    //! "at" angle in degrees, "cI"/"ct" text colour, "ns" shift, "nm" multiplier, "nd" divisor.
    void SetInt(const String& property, int32_t value) override;
    //! "at" in tenths of a degree, "cI"/"ct", "ns"; -1 for any other name.
    int32_t GetInt(const String& property) override;
    //! "t" replaces the text.
    void SetString(const String& property, const String& value) override;
    //! Draws the label from the corner its angle reads away from, centred along the box.
    bool Draw(Surface& surface) override;

    //! The label as it is drawn now.
    String FormatLabel() const;

    enum Mode : int32_t { PLAIN = 0, NOTE = 1, NUMBER = 2 };

    const String& Text() const { return text_; }
    int32_t Angle() const { return angle_; }
    int32_t Shift() const { return shift_; }
    int32_t Multiplier() const { return multiplier_; }
    int32_t Divisor() const { return divisor_; }
    int32_t LabelMode() const { return mode_; }
    int32_t Base() const { return base_; }

  private:
    void ParseLabel();
    void RepaintLater();

    String text_;
    int32_t angle_ = 0;       // "at", tenths of a degree counter-clockwise
    int32_t base_ = -1;       // pitch class 0 (A) to 11 (G#), or the written number
    int32_t shift_ = 0;       // "ns"
    int32_t multiplier_ = 1;  // "nm"
    int32_t divisor_ = 1;     // "nd"
    int32_t mode_ = PLAIN;
};

}  // namespace chordlane
