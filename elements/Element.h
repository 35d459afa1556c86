#pragma once
// The roots of the element hierarchy and the one virtual interface through which elements
// talk to each other: triggers, properties, activation, strokes and drawing.

#include <cstdint>
#include <memory>

#include "platform/Surface.h"
#include "platform/Types.h"
#include "sound/SoundChannel.h"

namespace chordlane {

// Kind bits answered by GetKind: which extra interface an element has.
inline constexpr int32_t KIND_VISUAL = 1;
inline constexpr int32_t KIND_GROUP = 2;
inline constexpr int32_t KIND_CONTAINER = 4;
inline constexpr int32_t KIND_SOUND = 8;
inline constexpr int32_t KIND_VOICE = 16;
inline constexpr int32_t KIND_BUTTON = 32;
inline constexpr int32_t KIND_IMAGE = 64;

// Every place that touches the screen at once is a stylus of its own, numbered from 0: the
// stylus (the mouse) is point 0, the fingers of a multi-touch screen take 1 and up.
inline constexpr int32_t STYLUS_POINT = 0;
inline constexpr int32_t MAX_TOUCH_POINTS = 10;

//! The bit of a touch point in a per-point flag set; no bit for a number out of range.
constexpr uint16_t TouchPointBit(int32_t point) {
    return point >= 0 && point < MAX_TOUCH_POINTS ? static_cast<uint16_t>(1u << point) : 0;
}

class Element;
class Instrument;

class ElementBase : public SoundListener {
  public:
    virtual ~ElementBase() = default;

    //! Restores this class's defaults; every constructor ends by calling its own class's Reset.
    virtual void Reset();
    //! Plays with a strength, or releases with NO_VALUE; source is the button that struck.
    virtual void Trigger(int32_t value, Element* source);
    //! Sets an integer property; unknown names are ignored.
    virtual void SetInt(const String& property, int32_t value);
    //! An integer property; NO_VALUE for unknown names.
    virtual int32_t GetInt(const String& property);
    //! Sets a string property; unknown names are ignored.
    virtual void SetString(const String& property, const String& value);
    //! Sets a flag property; "e" shows or hides the element.
    virtual void SetFlag(const String& property, bool value);
    //! Sets a rectangle property; the rectangle is always consumed.
    virtual void SetRect(const String& property, std::unique_ptr<Rect> rect);
    //! The kind bits.
    virtual int32_t GetKind() const;
    //! Stores the active flag; kinds that register themselves also enter or leave the registry.
    virtual void SetActive(bool active);
    //! The sound this element started has ended or could not start.
    void OnSoundDone() override;
    //! The class name, as chordlane-tool dump prints it.
    virtual const char* ClassName() const = 0;

    bool IsActive() const { return active_; }

  protected:
    bool active_ = false;
};

class Element : public ElementBase {
  public:
    Element(Instrument& owner, String name) : owner_(owner), name_(std::move(name)) {}
    const String& Name() const { return name_; }
    //! The instrument this element belongs to.
    Instrument& Owner() const { return owner_; }

    //! The file and line the element was built from, for what it reports about its own
    //! files later; kept only by elements that load files.
    void SetOrigin(String file, int32_t line) {
        originFile_ = std::move(file);
        originLine_ = line;
    }
    const String& OriginFile() const { return originFile_; }
    int32_t OriginLine() const { return originLine_; }

  private:
    Instrument& owner_;
    String name_;
    String originFile_;
    int32_t originLine_ = 0;
};

// Elements with an area on the screen.
class VisualElement : public Element {
  public:
    explicit VisualElement(Instrument& owner, String name);
    ~VisualElement() override;

    void Reset() override;
    void SetInt(const String& property, int32_t value) override;
    int32_t GetInt(const String& property) override;
    void SetRect(const String& property, std::unique_ptr<Rect> rect) override;
    int32_t GetKind() const override;
    void SetActive(bool active) override;

    //! Whether p lies in the bounds, all four edges counting as inside.
    virtual bool HitTest(Point p);
    //! Whether the segment may cross the element (the outcode test).
    virtual bool StrokeCrosses(Point from, Point to);
    //! Whether r touches the bounds (a shared edge counts).
    virtual bool Intersects(const Rect& r);
    //! The test drawing code asks: the same as Intersects.
    virtual bool IsVisibleIn(const Rect& paintRect);
    //! Handles one stroke segment of touch point `point`; answers the number of triggers it
    //! caused.
    virtual int32_t OnStroke(Point from, Point to, int32_t value, bool parentPenInside,
                             int32_t point);
    //! Draws the element on the surface; answers whether anything was drawn.
    virtual bool Draw(Surface& surface) = 0;
    //! Replaces the bounds (null allowed).
    virtual void SetBounds(std::unique_ptr<Rect> bounds);
    //! Sets the pressed flag.
    virtual void SetPressed(bool pressed);
    //! Sets whether the last stroke point of touch point `point` lay inside.
    virtual void SetPenInside(int32_t point, bool inside);

    const Rect* Bounds() const { return bounds_.get(); }
    Colour FillColour() const { return fillColour_; }
    Colour PressedFillColour() const { return pressedFillColour_; }
    Colour LineColour() const { return lineColour_; }
    Colour PressedLineColour() const { return pressedLineColour_; }
    bool IsPressed() const { return pressed_; }
    bool IsPenInside(int32_t point) const { return (penInside_ & TouchPointBit(point)) != 0; }

  protected:
    std::unique_ptr<Rect> bounds_;
    Colour fillColour_ = 0x909090;         // "ci"
    Colour pressedFillColour_ = 0x0080FF;  // "ca"
    Colour lineColour_ = 0;                // "cI"
    Colour pressedLineColour_ = 0;         // "cA"
    bool pressed_ = false;
    // One bit per touch point: each finger enters and leaves on its own.
    uint16_t penInside_ = 0;
};

// Elements that enter the name registry when they become active: groups, sounds and voices.
class IndexedElement : public Element {
  public:
    using Element::Element;
    void SetActive(bool active) override;
};

}  // namespace chordlane
