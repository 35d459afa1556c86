#include "view/InstrumentView.h"

#include <memory>
#include <vector>

#include "app/EventTrace.h"
#include "app/ScreenUpdate.h"
#include "elements/PanelElement.h"
#include "tests/support/ChordlaneTest.h"
#include "tests/view/TestSurface.h"
#include "view/ScreenPalette.h"

namespace chordlane::test {
namespace {

constexpr Colour YELLOW = 0x00FFFF;

struct Stroke {
    Point from;
    Point to;
    int32_t strength;
    friend bool operator==(const Stroke&, const Stroke&) = default;
};

// A root panel that only writes down what the stylus handling asks of it.
class RecordingRoot : public PanelElement {
public:
    RecordingRoot() : PanelElement(u"!", std::make_unique<Rect>(Rect{0, 0, 239, 319}), 0) {}
    int32_t OnStroke(Point from, Point to, int32_t value, bool parentPenInside) override {
        strokes.push_back({from, to, value});
        parentFlags.push_back(parentPenInside);
        return 0;
    }
    void SetPenInside(bool inside) override {
        ownResets.push_back(inside);
        VisualElement::SetPenInside(inside);
    }
    std::vector<Stroke> strokes;
    std::vector<bool> parentFlags;
    std::vector<bool> ownResets;
};

class StrokeTrace : public EventTrace {
public:
    void Stroke(Point from, Point to, int32_t strength) override {
        strokes.push_back({from, to, strength});
    }
    void Event(const String&, bool) override {}
    void Pressed(const Element&, bool) override {}
    void Start(const Element&, const Element&, int32_t, int32_t, uint32_t) override {}
    void Stop(const Element&) override {}
    void Done(const Element&, const Element*) override {}
    void Message(const String&) override {}
    std::vector<test::Stroke> strokes;
};

// A shape or button that marks in the drawing where it was drawn.
class ProbeElement : public VisualElement {
public:
    ProbeElement(String name, bool button) : VisualElement(std::move(name)), button_(button) {}
    const char* ClassName() const override { return "ProbeElement"; }
    int32_t GetKind() const override {
        return VisualElement::GetKind() | (button_ ? KIND_BUTTON : 0);
    }
    bool Draw(Surface& surface) override {
        surface.DrawText(Font{}, 0, Point{}, Name(), nullptr);
        return true;
    }

private:
    bool button_;
};

class ViewTest : public ChordlaneTest {
protected:
    void SetUp() override {
        ChordlaneTest::SetUp();
        App().screenWidth = 240;
        App().screenHeight = 320;
        App().screenRect = {0, 0, 239, 319};
    }
};

using StartupScreenTest = ViewTest;

TEST_F(StartupScreenTest, ShowsBitmapCentredOnBlackAndTapTextAtThreeQuartersHeight) {
    App().startupBitmap = std::make_shared<TestBitmap>(100, 50);
    TestSurface surface;
    InstrumentView view;
    view.Paint(surface);

    ASSERT_EQ(surface.calls.size(), 3u);
    EXPECT_EQ(surface.calls[0].what, "fill");
    EXPECT_EQ(surface.calls[0].rect, (Rect{0, 0, 240, 320}));
    EXPECT_EQ(surface.calls[0].colour, 0u);
    EXPECT_EQ(surface.calls[1].what, "copy");
    EXPECT_EQ(surface.calls[1].at, (Point{70, 4}));
    const DrawCall& text = surface.calls[2];
    EXPECT_EQ(text.text, u"Tap screen to start");
    EXPECT_EQ(text.colour, YELLOW);
    EXPECT_EQ(text.font.pointTenths, 200);
    EXPECT_EQ(text.font.face, u"Arial");
    EXPECT_EQ(text.at, (Point{(240 - 19 * TestSurface::GLYPH_WIDTH) / 2, 220}));
}

TEST_F(StartupScreenTest, ScreenStateChoosesTheText) {
    InstrumentView view;
    // Without a start-up bitmap the black fill and the text still appear.
    SetScreenStateValue(SCREEN_LOADING);
    TestSurface loading;
    view.Paint(loading);
    ASSERT_EQ(loading.calls.size(), 2u);
    EXPECT_EQ(loading.calls[1].text, u"Loading ...");
    EXPECT_EQ(loading.calls[1].at, (Point{(240 - 11 * TestSurface::GLYPH_WIDTH) / 2, 220}));
    EXPECT_EQ(loading.calls[1].font.pointTenths, 200);

    SetScreenStateValue(SCREEN_BITMAP_ONLY);
    TestSurface bitmapOnly;
    view.Paint(bitmapOnly);
    ASSERT_EQ(bitmapOnly.calls.size(), 1u);
    EXPECT_EQ(bitmapOnly.calls[0].what, "fill");

    SetScreenStateValue(7);
    TestSurface nothing;
    view.Paint(nothing);
    EXPECT_TRUE(nothing.calls.empty());
}

TEST_F(StartupScreenTest, SetScreenStateRepaintsTheWholeScreenAtOnce) {
    SetScreenState(SCREEN_LOADING);
    EXPECT_EQ(ScreenStateValue(), SCREEN_LOADING);
    ASSERT_EQ(platform_.window.Repaints().size(), 1u);
    EXPECT_EQ(platform_.window.Repaints()[0], (Rect{0, 0, 239, 319}));
}

TEST_F(StartupScreenTest, CentredTextNeverStartsLeftOfTheScreen) {
    TestSurface surface;
    const String wide(40, u'W');  // 320 pixels on a 240-pixel screen
    EXPECT_EQ(DrawCentredText(surface, wide, YELLOW, 200, -1, 100), 100 + 23);
    EXPECT_EQ(surface.calls.at(0).at, (Point{0, 100}));
    // A given x is kept as it is.
    DrawCentredText(surface, u"ab", YELLOW, 100, 5, 9);
    EXPECT_EQ(surface.calls.at(1).at, (Point{5, 9}));
}

TEST_F(StartupScreenTest, PaletteIsRealisedOnlyOnFullPaletteDisplays) {
    TestSurface surface;
    surface.SetColourCount(int64_t{1} << 24);
    EXPECT_FALSE(PrepareScreenPalette(surface));
    surface.SetColourCount(16);
    EXPECT_FALSE(PrepareScreenPalette(surface));
    surface.SetColourCount(256);
    EXPECT_TRUE(PrepareScreenPalette(surface));

    const PaletteTable* table = ScreenPaletteTable();
    ASSERT_NE(table, nullptr);
    // 3 bits red, 3 bits green, 2 bits blue, each level spread evenly up to 255.
    EXPECT_EQ((*table)[0].red, 0);
    EXPECT_EQ((*table)[1].red, 36);
    EXPECT_EQ((*table)[7].red, 255);
    EXPECT_EQ((*table)[8].green, 36);
    EXPECT_EQ((*table)[64].blue, 85);
    EXPECT_EQ((*table)[255].red, 255);
    EXPECT_EQ((*table)[255].green, 255);
    EXPECT_EQ((*table)[255].blue, 255);
}

using InstrumentPaintTest = ViewTest;

TEST_F(InstrumentPaintTest, FillsWithBackgroundThenDrawsButtonsOverEverythingElse) {
    auto root = std::make_unique<PanelElement>(u"!", std::make_unique<Rect>(Rect{0, 0, 239, 319}), 0);
    root->Add(std::make_unique<ProbeElement>(u"button", true));
    root->Add(std::make_unique<ProbeElement>(u"shape", false));
    auto inner = std::make_unique<PanelElement>(u"A", std::make_unique<Rect>(Rect{0, 0, 99, 99}), 1);
    inner->Add(std::make_unique<ProbeElement>(u"inner button", true));
    inner->Add(std::make_unique<ProbeElement>(u"inner shape", false));
    inner->SetActive(true);
    root->Add(std::move(inner));
    root->SetActive(true);
    App().root = std::move(root);
    App().instrumentLoaded = 1;
    App().cb = 0x00336699;

    TestSurface surface;
    InstrumentView view;
    view.Paint(surface);

    ASSERT_EQ(surface.calls.size(), 5u);
    EXPECT_EQ(surface.calls[0].what, "fill");
    EXPECT_EQ(surface.calls[0].rect, (Rect{0, 0, 240, 320}));
    EXPECT_EQ(surface.calls[0].colour, 0x00336699u);
    std::vector<String> order;
    for (size_t i = 1; i < surface.calls.size(); ++i) order.push_back(surface.calls[i].text);
    EXPECT_EQ(order, (std::vector<String>{u"shape", u"inner shape", u"button", u"inner button"}));
}

TEST_F(InstrumentPaintTest, InitialBackgroundIsWhateverTheDeviceMakesOfMinusOne) {
    App().instrumentLoaded = 1;  // an empty instrument: nothing but the background
    TestSurface surface;
    InstrumentView view;
    view.Paint(surface);
    ASSERT_EQ(surface.calls.size(), 1u);
    EXPECT_EQ(surface.calls[0].colour, 0xFFFFFFu);
}

class StylusTest : public ViewTest {
protected:
    void SetUp() override {
        ViewTest::SetUp();
        auto root = std::make_unique<RecordingRoot>();
        root_ = root.get();
        App().root = std::move(root);
        App().instrumentLoaded = 1;
        SetTrace(&trace_);
    }
    void TearDown() override {
        SetTrace(nullptr);
        ViewTest::TearDown();
    }
    void Wait(uint32_t ms) { platform_.clock.Advance(ms); }
    const std::vector<Stroke>& Strokes() const { return root_->strokes; }

    RecordingRoot* root_ = nullptr;
    StrokeTrace trace_;
    InstrumentView view_;
};

TEST_F(StylusTest, TapIsOnePixelSegmentWithStrengthSp) {
    view_.OnButtonDown({100, 150});
    view_.OnButtonUp({100, 150});
    ASSERT_EQ(Strokes().size(), 1u);
    EXPECT_EQ(Strokes()[0], (Stroke{{99, 149}, {100, 150}, 30}));
    EXPECT_EQ(root_->parentFlags[0], false);
    // The tool's event log sees exactly what the root panel got.
    EXPECT_EQ(trace_.strokes, Strokes());

    Wait(100);
    App().sp = 5;
    view_.OnButtonDown({10, 20});
    ASSERT_EQ(Strokes().size(), 2u);
    EXPECT_EQ(Strokes()[1], (Stroke{{9, 19}, {10, 20}, 5}));
}

TEST_F(StylusTest, PenDownForgetsWhereThePenWasInsideTheRootToo) {
    root_->SetPenInside(true);
    root_->ownResets.clear();
    view_.OnButtonDown({100, 150});
    ASSERT_EQ(root_->ownResets, std::vector<bool>{false});
    EXPECT_FALSE(root_->IsPenInside());
}

TEST_F(StylusTest, StrengthIsSpeedAveragedOverRecentMoves) {
    view_.OnButtonDown({100, 100});
    Wait(20);
    view_.OnStylusMove({120, 110});  // 20 pixels in 20 ms: 100 px per 100 ms
    Wait(40);
    view_.OnStylusMove({122, 110});  // averages 11 px over 30 ms
    ASSERT_EQ(Strokes().size(), 3u);
    EXPECT_EQ(Strokes()[1], (Stroke{{100, 100}, {120, 110}, 100}));
    EXPECT_EQ(Strokes()[2], (Stroke{{120, 110}, {122, 110}, 36}));
}

TEST_F(StylusTest, SpeedIsCappedAtOneHundred) {
    view_.OnButtonDown({0, 0});
    Wait(10);
    view_.OnStylusMove({200, 0});
    ASSERT_EQ(Strokes().size(), 2u);
    EXPECT_EQ(Strokes()[1].strength, 100);
    // No time at all since the last event still divides by at least one millisecond.
    view_.OnStylusMove({230, 0});
    EXPECT_EQ(Strokes().back().strength, 100);
}

TEST_F(StylusTest, StandingStillSendsNothingAndDoesNotDiluteTheAverage) {
    view_.OnButtonDown({50, 50});
    Wait(40);
    view_.OnStylusMove({50, 50});
    EXPECT_EQ(Strokes().size(), 1u);
    Wait(20);
    view_.OnStylusMove({56, 50});  // 6 px in 20 ms alone, not averaged with the pause
    ASSERT_EQ(Strokes().size(), 2u);
    EXPECT_EQ(Strokes()[1], (Stroke{{50, 50}, {56, 50}, 30}));
}

TEST_F(StylusTest, AverageCoversAtMostFiveMoves) {
    view_.OnButtonDown({0, 0});
    int32_t x = 0;
    for (int i = 0; i < 5; ++i) {  // five slow moves: 1 px per 100 ms
        Wait(100);
        view_.OnStylusMove({++x, 0});
    }
    for (int i = 0; i < 5; ++i) {  // then five fast ones push the slow ones out
        Wait(10);
        x += 10;
        view_.OnStylusMove({x, 0});
    }
    // Each fast move weighs one fifth against the running average: distance 1 -> 2, 3, 4, 5,
    // 6 px and interval 100 -> 82, 67, 55, 46, 38 ms, truncating at every step.
    std::vector<int32_t> strengths;
    for (size_t i = 6; i < Strokes().size(); ++i) strengths.push_back(Strokes()[i].strength);
    ASSERT_EQ(strengths.size(), 5u);
    EXPECT_EQ(strengths, (std::vector<int32_t>{2, 4, 7, 10, 15}));
}

TEST_F(StylusTest, QuickRetouchContinuesThePreviousStroke) {
    view_.OnButtonDown({100, 100});
    Wait(5);
    view_.OnButtonUp({100, 100});
    Wait(10);
    view_.OnButtonDown({100, 100});  // within 25 ms: no tap of its own
    EXPECT_EQ(Strokes().size(), 1u);
    Wait(20);
    view_.OnStylusMove({140, 100});  // 40 px away: continues from the last point
    ASSERT_EQ(Strokes().size(), 2u);
    EXPECT_EQ(Strokes()[1].from, (Point{100, 100}));
    EXPECT_EQ(Strokes()[1].to, (Point{140, 100}));
}

TEST_F(StylusTest, DoubleClickGivesNoStrokeButItsMovesFollowTheRetouchRules) {
    view_.OnButtonDown({100, 100});
    Wait(5);
    view_.OnButtonUp({100, 100});
    Wait(100);
    view_.OnDoubleClick({103, 100});
    EXPECT_EQ(Strokes().size(), 1u);

    // Near where the pen left and after 25 ms: a fresh pen-down at the new point.
    Wait(30);
    view_.OnStylusMove({105, 100});
    ASSERT_EQ(Strokes().size(), 2u);
    EXPECT_EQ(Strokes()[1], (Stroke{{104, 99}, {105, 100}, 30}));

    // Far from where it left: the stroke runs from the end point to the new point.
    view_.OnButtonUp({105, 100});
    Wait(100);
    view_.OnDoubleClick({150, 100});
    Wait(50);
    view_.OnStylusMove({150, 100});
    ASSERT_EQ(Strokes().size(), 3u);
    EXPECT_EQ(Strokes()[2].from, (Point{105, 100}));
    EXPECT_EQ(Strokes()[2].to, (Point{150, 100}));
}

TEST_F(StylusTest, TouchWithoutInstrumentAsksForOneAndStrokesNothing) {
    App().instrumentLoaded = 0;
    int asked = 0;
    view_.SetOpenRequested([&] { ++asked; });
    view_.OnButtonDown({100, 150});
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(Strokes().empty());

    App().instrumentLoaded = 1;
    Wait(100);
    view_.OnButtonDown({100, 150});
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(Strokes().size(), 1u);
}

TEST_F(StylusTest, MovesWithoutRootPanelAreIgnored) {
    App().root.reset();
    root_ = nullptr;
    view_.OnStylusMove({10, 10});
    view_.OnButtonDown({100, 150});
    view_.OnStylusMove({200, 150});
    EXPECT_TRUE(trace_.strokes.empty());
}

TEST_F(StylusTest, ExtremeCoordinatesDoNotOverflow) {
    view_.OnButtonDown({INT32_MIN, INT32_MIN});
    Wait(30);
    view_.OnStylusMove({INT32_MAX, INT32_MAX});
    ASSERT_EQ(Strokes().size(), 2u);
    EXPECT_EQ(Strokes()[0].from, (Point{INT32_MIN, INT32_MIN}));
    EXPECT_EQ(Strokes()[1].strength, 100);
}

}  // namespace
}  // namespace chordlane::test
