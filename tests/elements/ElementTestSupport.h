#pragma once
// What the element tests share: a root panel as the loader makes it, an element that writes
// down what it receives, and an event trace.

#include <memory>
#include <string>
#include <vector>

#include "elements/EventTrace.h"
#include "elements/Instrument.h"
#include "elements/PanelElement.h"
#include "elements/RectElement.h"
#include "tests/support/ChordlaneTest.h"

namespace chordlane::test {

// Registers itself like a voice; records triggers, the integer "nn" and the string "tt".
class Recorder : public IndexedElement {
  public:
    using IndexedElement::IndexedElement;
    const char* ClassName() const override { return "Recorder"; }
    void Trigger(int32_t value, Element* source) override {
        values.push_back(value);
        sources.push_back(source);
    }
    void SetInt(const String& p, int32_t v) override { number = p == u"nn" ? v : number; }
    int32_t GetInt(const String& p) override { return p == u"nn" ? number : NO_VALUE; }
    void SetString(const String& p, const String& v) override { text = p == u"tt" ? v : text; }

    std::vector<int32_t> values;
    std::vector<Element*> sources;
    int32_t number = NO_VALUE;
    String text;
};

struct Segment {
    Point from;
    Point to;
    int32_t strength;
    int32_t point = STYLUS_POINT;
    friend bool operator==(const Segment&, const Segment&) = default;
};

// Writes down what the tool's event log would show: strokes, event names looked up, pressed
// flags as "+name"/"-name", and the starts, stops and ends of sounds as lines.
class TestTrace : public EventTrace {
  public:
    void Stroke(Point from, Point to, int32_t strength, int32_t point) override {
        strokes.push_back({from, to, strength, point});
    }
    void Event(const String& name, bool) override { events.push_back(name); }
    void Pressed(const Element& b, bool on) override {
        presses.push_back((on ? u"+" : u"-") + b.Name());
    }
    void Start(const Element& voice, const Element& sound, int32_t shift, int32_t volume,
               uint32_t level) override {
        sounds.push_back("start " + ToUtf8(voice.Name()) + " " + ToUtf8(sound.Name()) + " " +
                         std::to_string(shift) + " " + std::to_string(volume) + " " +
                         std::to_string(level));
    }
    void Stop(const Element& voice) override { sounds.push_back("stop " + ToUtf8(voice.Name())); }
    void Done(const Element& voice, const Element* source) override {
        sounds.push_back("done " + ToUtf8(voice.Name()) + " " +
                         (source ? ToUtf8(source->Name()) : "-"));
    }
    void Message(const String&) override {}

    std::vector<Segment> strokes;
    std::vector<String> events;
    std::vector<String> presses;
    std::vector<std::string> sounds;
};

// An empty instrument: the root panel "!" over a 240 x 320 screen, with a trace installed.
class ElementTest : public ChordlaneTest {
  protected:
    void SetUp() override {
        ChordlaneTest::SetUp();
        UsePortraitScreen();
        instrument_.root = std::make_unique<PanelElement>(instrument_, u"!", R(0, 0, 239, 319), 0);
        instrument_.trace = &trace_;
    }
    void TearDown() override {
        // The trace goes before the instrument, whose elements report to it as they go.
        instrument_.trace = nullptr;
        ChordlaneTest::TearDown();
    }

    PanelElement& Root() { return *instrument_.root; }
    NameRegistry& Names() { return instrument_.names; }

    //! Makes an element of the instrument in container (the root when null) and answers it.
    template <typename T, typename... Args>
    T& Add(ElementList* container, Args&&... args) {
        auto element = std::make_unique<T>(instrument_, std::forward<Args>(args)...);
        T& ref = *element;
        (container ? *container : static_cast<ElementList&>(Root())).Add(std::move(element));
        return ref;
    }

    //! Activates as the Open flow does after reading; the record of repaints starts empty.
    void Activate() {
        Root().SetActiveWhere(true, KIND_CONTAINER);
        Root().SetActive(true);
        instrument_.FlushPendingRepaint();
        platform_.window.ClearRepaints();
    }

    //! A tap as the stylus handling delivers it: pen down, then a one-pixel segment.
    int32_t Tap(int32_t x, int32_t y) {
        Root().ResetPenInside(STYLUS_POINT, false);
        return Root().OnStroke({x - 1, y - 1}, {x, y}, 30, false, STYLUS_POINT);
    }
    int32_t Move(Point from, Point to, int32_t strength = 50) {
        return Root().OnStroke(from, to, strength, false, STYLUS_POINT);
    }

    static std::unique_ptr<Rect> R(int32_t l, int32_t t, int32_t r, int32_t b) {
        return std::make_unique<Rect>(Rect{l, t, r, b});
    }

    TestTrace trace_;
};

}  // namespace chordlane::test
