// A flood of input on the virtual clock through the program's own mixer: 64 voices, random
// stylus, key and hardware-button events, and instrument reloads while voices sound. Run under
// the asan preset it also shows that none of it reads freed memory or leaks.
//
// CHORDLANE_STRESS_EVENTS and CHORDLANE_STRESS_RELOADS set the size; by default the full
// size (100 000 events, 100 reloads) runs in every build, sanitizers included, since those
// are where a freed channel or a leak shows.

#include <cstdlib>
#include <iostream>
#include <random>
#include <set>
#include <string>

#include "app/OpenFlow.h"
#include "elements/PanelElement.h"
#include "elements/VoiceElement.h"
#include "language/NameRegistry.h"
#include "platform/audio/OfflineOutput.h"
#include "platform/audio/WaveMapper.h"
#include "platform/headless/RecordingSurface.h"
#include "tests/sound/SoundTestSupport.h"
#include "tests/support/ChordlaneTest.h"
#include "view/InstrumentView.h"

namespace chordlane::test {
namespace {

constexpr int VOICES = 64;
constexpr uint32_t FIRST_BUTTON = 0xC1;

int64_t SizeFromEnvironment(const char* name, int64_t fallback) {
    const char* value = std::getenv(name);
    return value && *value ? std::strtoll(value, nullptr, 10) : fallback;
}

// The mixer, checking every completion notice against the channels of the loaded instrument
// when it is delivered.
class WatchedMixer : public WaveMapper {
public:
    WaveResult Write(WaveDevice d, WaveHeader* h) override {
        const WaveResult r = WaveMapper::Write(d, h);
        written += r == WaveResult::Ok;
        return r;
    }
    void SetNoticeHandler(NoticeHandler handler) override {
        WaveMapper::SetNoticeHandler([this, inner = std::move(handler)](WaveDevice d, WaveHeader* h) {
            ++delivered;
            deliveredToNoChannel += !liveHeaders.contains(h);
            if (inner) inner(d, h);
        });
    }

    std::set<const WaveHeader*> liveHeaders;
    int64_t written = 0, delivered = 0, deliveredToNoChannel = 0;
};

// 64 voices on one recording, each on its own button of an 8 x 8 grid and in a chord of
// four; keys play voices (X and Y a stop and a play action), hardware buttons play chords.
std::string StressInstrument() {
    auto n = [](int i) { return std::to_string(i); };
    std::string text = "cl1.0\ns n tone.wav 220 0 12\n";
    for (int i = 0; i < VOICES; ++i) {
        text += "v v" + n(i) + "\nbr p" + n(i) + " " + n(i % 8 * 30) + " " + n(i / 8 * 40) + " 30 40\n";
    }
    for (int c = 0; c < VOICES / 4; ++c) text += "{ chord" + n(c) + " }\n";
    for (char key = 'A'; key <= 'Z'; ++key) text += std::string("bh bk") + key + "\n";
    for (int b = 1; b <= 15; ++b) text += "bh b" + n(b) + "\n";
    text += "< v3\n> v5 80\n{ init\n";
    for (int i = 0; i < VOICES; ++i) {
        text += "=s v" + n(i) + ".ns n+" + n(i % 13) + "\n=s p" + n(i) + ".na " +
                (i % 5 == 0 ? "chord" + n(i / 5 % 16) : "v" + n(i)) + "\n";
        // Every voice also sounds in the chord of its row of four, through the group it joins.
        text += "=s v" + n(i) + ".ng chord" + n(i / 4) + "\n";
    }
    for (char key = 'A'; key <= 'Z'; ++key) {
        text += std::string("=s bk") + key + ".na " +
                (key == 'X' ? "v3<" : key == 'Y' ? "v5>" : "v" + n((key - 'A') * 2)) + "\n";
    }
    for (int b = 1; b <= 15; ++b) text += "=s b" + n(b) + ".na chord" + n(b) + "\n";
    return text + "}\n";
}

class StressTest : public ChordlaneTest {
protected:
    void SetUp() override {
        ChordlaneTest::SetUp();
        UsePortraitScreen();
        AppState& app = App();
        app.homeFolder = app.programFolder = TempFolder();
        app.vM = 50;
        // A plucked tone of 0.25 s, so that sounds end (and their notices come) all the time.
        const WaveSpec form{1, 1, 22050, 16};
        WriteFile("tone.wav", CanonicalWave(form, Tone(form, 220, 0.25, 9000, 6.0)));
        path_ = FromUtf8(WriteFile("stress.clx", StressInstrument()).string());
        Platform services = CurrentPlatform();
        services.waveOut = &mixer_;
        InstallPlatform(services);
        platform_.clock.SetAdvanceHook([this](uint32_t) { offline_.Advance(); });
    }
    void TearDown() override {
        UnloadInstrument();
        platform_.clock.SetAdvanceHook(nullptr);
        ChordlaneTest::TearDown();
        platform_.Install();
    }

    void Load() {
        ASSERT_EQ(OpenInstrument(path_).outcome, OpenResult::Outcome::Loaded);
        CollectHeaders(*App().root);
        ASSERT_EQ(mixer_.liveHeaders.size(), static_cast<size_t>(VOICES));
    }
    void Unload() {
        UnloadInstrument();
        mixer_.liveHeaders.clear();
    }
    void CollectHeaders(Element& e) {
        if (auto* voice = dynamic_cast<VoiceElement*>(&e)) {
            mixer_.liveHeaders.insert(&voice->Channel().Header());
        }
        std::vector<Element*> members;
        if (auto* panel = dynamic_cast<PanelElement*>(&e)) members = panel->Group().Members();
        if (auto* group = dynamic_cast<GroupElement*>(&e)) members = group->Members();
        for (Element* m : members) CollectHeaders(*m);
    }

    String path_;
    WatchedMixer mixer_;
    OfflineOutput offline_{mixer_, platform_.clock, OfflineOutputConfig{}};
};

TEST_F(StressTest, ManyVoicesEventsAndReloadsDeliverEveryNoticeToALiveChannelOnly) {
    const int64_t events = SizeFromEnvironment("CHORDLANE_STRESS_EVENTS", 100000);
    const int64_t reloads = SizeFromEnvironment("CHORDLANE_STRESS_RELOADS", 100);
    const int64_t reloadEvery = reloads > 0 ? std::max<int64_t>(1, events / reloads) : events + 1;
    Load();
    InstrumentView view;
    RecordingSurface surface;
    std::mt19937 random(20240601);
    auto pick = [&](int n) { return static_cast<int>(random() % static_cast<uint32_t>(n)); };
    bool down = false;
    size_t mostPlaying = 0;
    int64_t unloads = 0;
    for (int64_t e = 1; e <= events; ++e) {
        const Point p{pick(260) - 10, pick(340) - 10};
        switch (pick(10)) {
            case 0: case 1: view.OnButtonDown(p); down = true; break;
            case 2: case 3: case 4: if (down) view.OnStylusMove(p); break;
            case 5: view.OnButtonUp(p); down = false; break;
            case 6: view.OnKeyDown('A' + pick(26)); break;
            case 7: view.OnKeyUp('A' + pick(26)); break;
            case 8: OnKeyDown(FIRST_BUTTON + pick(15)); break;
            case 9: platform_.clock.Advance(static_cast<uint32_t>(pick(12))); break;
        }
        mostPlaying = std::max(mostPlaying, PlayingList().size());
        if (e % 997 == 0) view.Paint(surface);
        if (e % reloadEvery == 0 && unloads < reloads) {
            // Voices are sounding and their notices are on their way.
            Unload();
            ++unloads;
            ASSERT_TRUE(PlayingList().empty());
            platform_.clock.Advance(5);
            Load();
        }
    }
    Unload();
    platform_.clock.Advance(1000);

    EXPECT_EQ(unloads, reloads);
    EXPECT_EQ(mixer_.deliveredToNoChannel, 0);
    EXPECT_GT(mixer_.delivered, 0);
    // Notices of the buffers that were playing when their channels went were dropped.
    EXPECT_TRUE(reloads == 0 || mixer_.written > mixer_.delivered);
    EXPECT_EQ(mixer_.OpenDevices(), 0u);
    EXPECT_GE(mostPlaying, static_cast<size_t>(VOICES / 2));
    std::cout << "stress: " << events << " events, " << unloads << " reloads, "
              << offline_.FramesRendered() / 48000.0 << " s of sound, at most " << mostPlaying
              << " voices playing, " << mixer_.delivered << " notices delivered\n";
}

}  // namespace
}  // namespace chordlane::test
