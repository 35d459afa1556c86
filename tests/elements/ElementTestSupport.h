#pragma once
// What the element tests share: a root panel as the loader makes it, an element that writes
// down the triggers it receives, and an event trace of pressed flags.

#include <memory>
#include <vector>

#include "app/AppState.h"
#include "app/ScreenUpdate.h"
#include "app/EventTrace.h"
#include "elements/Element.h"
#include "elements/PanelElement.h"
#include "elements/RectElement.h"
#include "tests/support/ChordlaneTest.h"

namespace chordlane::test {

// A plain element that registers itself like a voice and records every trigger.
class Recorder : public IndexedElement {
public:
    using IndexedElement::IndexedElement;
    const char* ClassName() const override { return "Recorder"; }
    void Trigger(int32_t value, Element* source) override {
        values.push_back(value);
        sources.push_back(source);
    }
    void SetInt(const String& property, int32_t value) override {
        if (property == u"nn") number = value;
    }
    int32_t GetInt(const String& property) override {
        return property == u"nn" ? number : NO_VALUE;
    }
    void SetString(const String& property, const String& value) override {
        if (property == u"tt") text = value;
    }

    std::vector<int32_t> values;
    std::vector<Element*> sources;
    int32_t number = NO_VALUE;
    String text;
};

// Writes down pressed-flag changes in order, as "+name" and "-name".
class PressTrace : public EventTrace {
public:
    void Stroke(Point, Point, int32_t) override {}
    void Event(const String&, bool) override {}
    void Pressed(const Element& button, bool pressed) override {
        log.push_back((pressed ? u"+" : u"-") + button.Name());
    }
    void Start(const Element&, const Element&, int32_t, int32_t, uint32_t) override {}
    void Stop(const Element&) override {}
    void Done(const Element&, const Element*) override {}
    void Message(const String&) override {}

    std::vector<String> log;
};

// An empty instrument: the root panel "!" over a 240 x 320 screen, as the Open flow makes
// it before reading a file.
class ElementTest : public ChordlaneTest {
protected:
    void SetUp() override {
        ChordlaneTest::SetUp();
        ReleaseSharedShapeObjects();
        App().screenWidth = 240;
        App().screenHeight = 320;
        App().screenRect = {0, 0, 239, 319};
        App().root = std::make_unique<PanelElement>(u"!", std::make_unique<Rect>(App().screenRect), 0);
    }
    void TearDown() override {
        SetTrace(nullptr);
        ReleaseSharedShapeObjects();
        ChordlaneTest::TearDown();
    }

    PanelElement& Root() { return *App().root; }

    //! Makes an element, adds it to container (the root when null) and answers it.
    template <typename T, typename... Args>
    T& Add(ElementList* container, Args&&... args) {
        auto element = std::make_unique<T>(std::forward<Args>(args)...);
        T& ref = *element;
        (container ? *container : static_cast<ElementList&>(Root())).Add(std::move(element));
        return ref;
    }

    //! Activates the instrument as the Open flow does after reading it; the areas that
    //! became pending are repainted and the record of repaints starts empty.
    void Activate() {
        Root().SetActiveWhere(true, KIND_CONTAINER);
        Root().SetActive(true);
        FlushPendingRepaint();
        platform_.window.ClearRepaints();
    }

    //! A tap as the stylus handling delivers it: pen down, then a one-pixel segment.
    int32_t Tap(int32_t x, int32_t y, int32_t strength = 30) {
        Root().ResetPenInside(false);
        return Root().OnStroke({x - 1, y - 1}, {x, y}, strength, false);
    }
    int32_t Move(Point from, Point to, int32_t strength = 50) {
        return Root().OnStroke(from, to, strength, false);
    }

    static std::unique_ptr<Rect> R(int32_t l, int32_t t, int32_t r, int32_t b) {
        return std::make_unique<Rect>(Rect{l, t, r, b});
    }
};

}  // namespace chordlane::test
