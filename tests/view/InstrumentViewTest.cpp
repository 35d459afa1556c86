#include <sstream>
#include <vector>

#include "elements/PanelElement.h"
#include "elements/RectButtonElement.h"
#include "platform/headless/RecordingSurface.h"
#include "tests/elements/ElementTestSupport.h"
#include "tests/support/PictureBytes.h"
#include "view/InstrumentView.h"

namespace chordlane::test {
namespace {

// An empty root panel on a 240 x 320 screen; the instrument counts as loaded only where a
// test says so.
class ViewTest : public ElementTest {
  protected:
    void Wait(uint32_t ms) { platform_.clock.Advance(ms); }
    const std::vector<Segment>& Strokes() const { return trace_.strokes; }

    InstrumentView view_{instrument_};
};

// The colours and where the text's cell starts are checked on the tool's rendering.
TEST_F(ViewTest, StartupScreenShowsTheBitmapCentredAndItsStateText) {
    const auto bitmap = WriteFile("startup.bmp", BmpBytes(100, 50, 24, 0));
    instrument_.screen.startupBitmap =
        platform_.services.pictures->LoadFile(FromUtf8(bitmap.string()));
    // On the recording surface a character is 13 pixels wide here, so "Tap screen to start"
    // is wider than the screen and starts at its left edge, and "Loading ..." is centred.
    const std::tuple<int32_t, const char16_t*, int32_t> states[] = {
        {SCREEN_TAP_TO_START, u"Tap screen to start", 0},
        {SCREEN_LOADING, u"Loading ...", 48},
        {SCREEN_BITMAP_ONLY, nullptr, 0}};
    for (const auto& [state, text, x] : states) {
        instrument_.screen.state = state;
        RecordingSurface surface;
        view_.Paint(surface);
        ASSERT_EQ(surface.Calls().size(), text ? 3u : 2u) << state;
        EXPECT_EQ(surface.Calls()[1].at, (Point{70, 4}));
        if (!text) continue;
        EXPECT_EQ(surface.Calls()[2].text, text);
        EXPECT_EQ(surface.Calls()[2].at, (Point{x, 220}));
    }
    // Without a start-up bitmap the black fill and the text still appear.
    instrument_.screen.startupBitmap = nullptr;
    instrument_.screen.state = SCREEN_LOADING;
    RecordingSurface surface;
    view_.Paint(surface);
    EXPECT_EQ(surface.Calls().size(), 2u);
}

TEST_F(ViewTest, PendingAreasGrowIntoOneRepaintAndANewScreenStateRepaintsAll) {
    instrument_.AddPendingRepaint({10, 10, 20, 20});
    instrument_.AddPendingRepaint({30, 5, 40, 15});
    instrument_.AddPendingRepaint({0, 0, 0, 0});  // empty: adds nothing, even with corners at 0
    EXPECT_TRUE(platform_.window.Repaints().empty());
    instrument_.FlushPendingRepaint();
    instrument_.FlushPendingRepaint();
    EXPECT_EQ(platform_.window.Repaints(), (std::vector<Rect>{{10, 5, 40, 20}}));
    // A new screen state is shown at once, over the whole screen.
    instrument_.SetScreenState(SCREEN_LOADING);
    EXPECT_EQ(instrument_.screen.state, SCREEN_LOADING);
    EXPECT_EQ(platform_.window.Repaints().back(), (Rect{0, 0, 239, 319}));
}

class StylusTest : public ViewTest {
  protected:
    void SetUp() override {
        ViewTest::SetUp();
        instrument_.load.loaded = 1;
    }
    // Plays "d X Y" (pen down), "m X Y" (move), "u X Y" (up), "c X Y" (double-click) and
    // "w MS" (wait) on the view.
    void Play(const std::string& script) {
        std::istringstream in(script);
        for (char op; in >> op;) {
            int64_t x = 0, y = 0;
            in >> x;
            if (op != 'w') in >> y;
            const Point p{static_cast<int32_t>(x), static_cast<int32_t>(y)};
            if (op == 'd') view_.OnButtonDown(p);
            if (op == 'm') view_.OnStylusMove(p);
            if (op == 'u') view_.OnButtonUp(p);
            if (op == 'c') view_.OnDoubleClick(p);
            if (op == 'w') Wait(static_cast<uint32_t>(x));
        }
    }
};

TEST_F(StylusTest, TapIsOnePixelSegmentWithStrengthSpAndStrikesARootButtonEveryTime) {
    auto& voice = Add<Recorder>(nullptr, u"v");
    auto& button = Add<RectButtonElement>(nullptr, u"b");
    button.SetBounds(R(90, 140, 110, 160));
    button.SetString(u"na", u"v");
    Activate();
    Play("d 100 150 u 100 150 w 100 d 100 150 u 100 150 w 100");
    instrument_.variables.sp = 5;
    Play("d 10 20");
    EXPECT_EQ(Strokes(), (std::vector<Segment>{{{99, 149}, {100, 150}, 30},
                                               {{99, 149}, {100, 150}, 30},
                                               {{9, 19}, {10, 20}, 5}}));
    EXPECT_EQ(voice.values.size(), 2u);
}

TEST_F(StylusTest, StrengthIsSpeedAveragedOverRecentMovesWhereStandingStillCountsNot) {
    // 20 px in 20 ms: 100 px per 100 ms; then 11 px over 30 ms on average.
    Play("d 100 100 w 20 m 120 110 w 40 m 122 110");
    ASSERT_EQ(Strokes().size(), 3u);
    EXPECT_EQ(Strokes()[1], (Segment{{100, 100}, {120, 110}, 100}));
    EXPECT_EQ(Strokes()[2], (Segment{{120, 110}, {122, 110}, 36}));
    // Faster than 100 px per 100 ms is still 100, even with no time since the last event.
    Play("m 230 110");
    EXPECT_EQ(Strokes().back().strength, 100);
    // A pause sends nothing; the 6 px in 20 ms after it are not averaged with it.
    Play("u 230 110 w 100 d 50 50 w 40 m 50 50 w 20 m 56 50");
    ASSERT_EQ(Strokes().size(), 6u);
    EXPECT_EQ(Strokes()[5], (Segment{{50, 50}, {56, 50}, 30}));
}

TEST_F(StylusTest, AverageCoversAtMostFiveMoves) {
    Play("d 0 0 w 100 m 1 0 w 100 m 2 0 w 100 m 3 0 w 100 m 4 0 w 100 m 5 0");  // 1 px per 100 ms
    std::vector<int32_t> strengths;
    for (int x = 15; x <= 55; x += 10) {  // then five fast ones push the slow ones out
        Play("w 10 m " + std::to_string(x) + " 0");
        strengths.push_back(Strokes().back().strength);
    }
    // Each fast move weighs one fifth against the running average: distance 1 -> 2, 3, 4, 5,
    // 6 px and interval 100 -> 82, 67, 55, 46, 38 ms, truncating at every step.
    EXPECT_EQ(strengths, (std::vector<int32_t>{2, 4, 7, 10, 15}));
}

TEST_F(StylusTest, QuickRetouchContinuesTheStrokeButADoubleTapStrikesTwice) {
    auto& voice = Add<Recorder>(nullptr, u"v");
    auto& button = Add<RectButtonElement>(nullptr, u"b");
    button.SetBounds(R(90, 90, 110, 110));
    button.SetString(u"na", u"v");
    Activate();
    // Within 25 ms no tap of its own; a move 40 px away continues from the last point.
    Play("d 100 100 w 5 u 100 100 w 10 d 100 100 w 20 m 140 100");
    ASSERT_EQ(Strokes().size(), 2u);
    EXPECT_EQ(Strokes()[1].from, (Point{100, 100}));
    EXPECT_EQ(Strokes()[1].to, (Point{140, 100}));
    EXPECT_EQ(voice.values.size(), 1u);
    // A double tap 120 ms apart, as a drummer plays it: the second tap arrives as a
    // double-click and strikes as the first did.
    Play("u 140 100 w 100 d 100 100 u 100 100 w 120 c 100 100 u 100 100");
    ASSERT_EQ(Strokes().size(), 4u);
    EXPECT_EQ(Strokes()[3], (Segment{{99, 99}, {100, 100}, 30}));
    EXPECT_EQ(voice.values.size(), 3u);
    // The 25 ms rule holds for a double-click too: right after a lift it continues.
    Play("w 10 c 104 100 m 130 100");
    ASSERT_EQ(Strokes().size(), 5u);
    EXPECT_EQ(Strokes()[4].from, (Point{100, 100}));
    EXPECT_EQ(voice.values.size(), 3u);
}

TEST_F(StylusTest, ExtremeCoordinatesDoNotOverflow) {
    Play("d -2147483648 -2147483648 w 30 m 2147483647 2147483647");
    ASSERT_EQ(Strokes().size(), 2u);
    EXPECT_EQ(Strokes()[0].from, (Point{INT32_MIN, INT32_MIN}));
    EXPECT_EQ(Strokes()[1].strength, 100);
}

// Fingers on a touch screen: each is a stylus of its own.
class TouchTest : public StylusTest {
  protected:
    struct Touch {
        uint32_t at;  // ms after the start of the run
        int32_t point;
        char op;  // 'd' down, 'm' move, 'u' up
        Point p;
    };
    struct Played {
        std::vector<Segment> strokes;
        std::vector<Element*> struck;
    };

    void SetUp() override {
        StylusTest::SetUp();
        voice_ = &Add<Recorder>(nullptr, u"v");
    }
    RectButtonElement& Button(ElementList* container, const char16_t* name, Rect r) {
        auto& b = Add<RectButtonElement>(container, name);
        b.SetBounds(R(r.left, r.top, r.right, r.bottom));
        b.SetString(u"na", u"v");
        return b;
    }
    //! Plays the touches of `only` (all when -1), a second after whatever was played before,
    //! and answers the strokes and the buttons struck on the way, in order.
    Played Run(const std::vector<Touch>& touches, int32_t only = -1) {
        Wait(1000);
        const size_t strokes = Strokes().size();
        const size_t struck = voice_->sources.size();
        uint32_t now = 0;
        for (const Touch& t : touches) {
            if (only >= 0 && t.point != only) continue;
            Wait(t.at - now);
            now = t.at;
            if (t.op == 'd') view_.OnTouchDown(t.point, t.p);
            if (t.op == 'm') view_.OnTouchMove(t.point, t.p);
            if (t.op == 'u') view_.OnTouchUp(t.point);
        }
        return {{Strokes().begin() + static_cast<ptrdiff_t>(strokes), Strokes().end()},
                {voice_->sources.begin() + static_cast<ptrdiff_t>(struck), voice_->sources.end()}};
    }
    static std::vector<Segment> Of(const Played& played, int32_t point) {
        std::vector<Segment> mine;
        for (const Segment& s : played.strokes)
            if (s.point == point) mine.push_back(s);
        return mine;
    }

    Recorder* voice_ = nullptr;
};

TEST_F(TouchTest, OneFingerHoldsAPadWhileAnotherStrumsAndEachPlaysAsItWouldAlone) {
    auto& pad = Button(nullptr, u"pad", {10, 10, 50, 50});
    // The strings stand in a panel of their own, whose "pen inside" is per finger too.
    auto& panel = Add<PanelElement>(nullptr, u"strings", R(90, 200, 200, 300), 1);
    std::vector<Element*> strings;
    for (int32_t x = 100; x <= 160; x += 20) {
        strings.push_back(&Button(&panel,
                                  x == 100   ? u"s1"
                                  : x == 120 ? u"s2"
                                  : x == 140 ? u"s3"
                                             : u"s4",
                                  {x, 200, x + 4, 300}));
    }
    Activate();
    panel.SetActive(true);
    // Finger 1 rests on the pad and rocks a little; finger 2 strums the four strings.
    const std::vector<Touch> touches = {
        {0, 1, 'd', {30, 30}},    {10, 2, 'd', {90, 250}},   {20, 1, 'm', {33, 31}},
        {30, 2, 'm', {110, 250}}, {40, 1, 'm', {36, 32}},    {50, 2, 'm', {130, 251}},
        {60, 1, 'm', {38, 34}},   {70, 2, 'm', {150, 252}},  {80, 1, 'm', {40, 35}},
        {90, 2, 'm', {170, 252}}, {100, 2, 'm', {190, 250}}, {120, 2, 'u', {}},
        {130, 1, 'u', {}}};
    const Played holding = Run(touches, 1);
    const Played strumming = Run(touches, 2);
    EXPECT_EQ(holding.struck, std::vector<Element*>{&pad});
    EXPECT_EQ(strumming.struck, strings);
    ASSERT_EQ(holding.strokes.size(), 5u);
    ASSERT_EQ(strumming.strokes.size(), 6u);

    const Played both = Run(touches);
    EXPECT_EQ(Of(both, 1), holding.strokes);
    EXPECT_EQ(Of(both, 2), strumming.strokes);
    EXPECT_EQ(both.strokes.size(), 11u);
    std::vector<Element*> expected = strings;
    expected.insert(expected.begin(), &pad);
    EXPECT_EQ(both.struck, expected);  // the resting finger never strikes its pad again
}

TEST_F(TouchTest, TwoFingersCrossingOneStringStrikeItOnceEachAsTheyEnter) {
    auto& string = Button(nullptr, u"s", {120, 200, 124, 300});
    Activate();
    // Both fingers come to rest on the string: each strikes it as it enters.
    const Played entering = Run({{0, 1, 'd', {100, 220}},
                                 {5, 2, 'd', {100, 260}},
                                 {20, 1, 'm', {122, 220}},
                                 {25, 2, 'm', {122, 260}},
                                 {40, 1, 'm', {123, 222}}});
    EXPECT_EQ(entering.struck, (std::vector<Element*>{&string, &string}));
    // Leaving it strikes nothing more, whichever finger goes first.
    const Played leaving = Run({{0, 2, 'm', {140, 260}}, {15, 1, 'm', {140, 220}}});
    EXPECT_TRUE(leaving.struck.empty());
}

TEST_F(TouchTest, AFingerLiftingEndsOnlyItsOwnStrokeAndRetouchesByItsOwnClock) {
    const Played played = Run({{0, 1, 'd', {50, 50}},
                               {5, 2, 'd', {150, 150}},
                               {20, 1, 'm', {70, 50}},
                               {25, 2, 'm', {170, 150}},
                               {30, 1, 'u', {}},
                               // Finger 2 goes on 10 ms after finger 1 left, 5 px on.
                               {40, 2, 'm', {175, 150}},
                               // Finger 1 back within 25 ms of its own lift continues its
                               // stroke, although finger 2 moved in between.
                               {45, 1, 'd', {72, 50}},
                               {60, 1, 'm', {90, 50}}});
    // Finger 2: 20 px in 20 ms, then on average 12 px in 17 ms.
    EXPECT_EQ(Of(played, 2), (std::vector<Segment>{{{149, 149}, {150, 150}, 30, 2},
                                                   {{150, 150}, {170, 150}, 100, 2},
                                                   {{170, 150}, {175, 150}, 70, 2}}));
    // Finger 1: from where it lifted, 20 px on average over 25 ms counted from its lift.
    EXPECT_EQ(Of(played, 1), (std::vector<Segment>{{{49, 49}, {50, 50}, 30, 1},
                                                   {{50, 50}, {70, 50}, 100, 1},
                                                   {{70, 50}, {90, 50}, 80, 1}}));
}

TEST_F(TouchTest, PointsBeyondTheTenAreIgnoredAndAnyFingerOpensFromTheStartUpScreen) {
    Button(nullptr, u"b", {0, 0, 239, 319});
    Activate();
    const Played played = Run({{0, MAX_TOUCH_POINTS, 'd', {10, 10}},
                               {10, MAX_TOUCH_POINTS, 'm', {100, 10}},
                               {20, -1, 'd', {10, 10}},
                               {30, MAX_TOUCH_POINTS, 'u', {}},
                               {40, MAX_TOUCH_POINTS - 1, 'd', {10, 10}}});
    EXPECT_EQ(played.strokes, (std::vector<Segment>{{{9, 9}, {10, 10}, 30, 9}}));

    int opened = 0;
    view_.SetOpenRequested([&] { ++opened; });
    instrument_.load.loaded = 0;
    Run({{0, 3, 'd', {10, 10}}, {10, 3, 'u', {}}, {20, MAX_TOUCH_POINTS, 'd', {10, 10}}});
    EXPECT_EQ(opened, 1);
}

}  // namespace
}  // namespace chordlane::test
