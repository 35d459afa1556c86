// A flood of input on the virtual clock through the program's own mixer: 64 voices, random
// stylus, key and hardware-button events, and instrument reloads while voices sound. Run under
// the asan preset it also shows that none of it reads freed memory or leaks.
//
// CHORDLANE_STRESS_EVENTS and CHORDLANE_STRESS_RELOADS set the size; by default the full
// size (100 000 events, 100 reloads) runs in optimised builds and a tenth of it in sanitizer
// and debug builds, which are ten times slower.

#include <chrono>
#include <cstdlib>
#include <iostream>
#include <map>
#include <random>
#include <set>
#include <string>

#include "app/AppState.h"
#include "app/OpenFlow.h"
#include "elements/PanelElement.h"
#include "elements/VoiceElement.h"
#include "language/NameRegistry.h"
#include "platform/audio/OfflineOutput.h"
#include "platform/audio/WaveMapper.h"
#include "platform/headless/RecordingSurface.h"
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

#if defined(NDEBUG) && !defined(__SANITIZE_ADDRESS__)
constexpr int64_t DEFAULT_SCALE = 1;
#else
constexpr int64_t DEFAULT_SCALE = 10;
#endif

// The mixer as the wave output, with a record of which devices are open and which hold a
// buffer, so that every completion notice can be checked against the channels alive when it
// is delivered.
class WatchedOutput : public WaveOutput {
public:
    explicit WatchedOutput(WaveMapper& mapper) : mapper_(mapper) {}

    WaveResult Open(WaveDevice* device, const WaveFormat& format) override {
        const WaveResult r = mapper_.Open(device, format);
        if (r == WaveResult::Ok) open_.insert(*device);
        return r;
    }
    WaveResult Prepare(WaveDevice d, WaveHeader* h) override { return mapper_.Prepare(d, h); }
    WaveResult Unprepare(WaveDevice d, WaveHeader* h) override { return mapper_.Unprepare(d, h); }
    WaveResult Write(WaveDevice d, WaveHeader* h) override {
        const WaveResult r = mapper_.Write(d, h);
        if (r == WaveResult::Ok) ++awaited_[d];
        return r;
    }
    WaveResult SetVolume(WaveDevice d, uint32_t v) override { return mapper_.SetVolume(d, v); }
    WaveResult Reset(WaveDevice d) override { return mapper_.Reset(d); }
    WaveResult Close(WaveDevice d) override {
        // Buffers written to the device whose notices have not come: they must never come.
        auto it = awaited_.find(d);
        if (it != awaited_.end()) {
            dropped += it->second;
            awaited_.erase(it);
        }
        open_.erase(d);
        return mapper_.Close(d);
    }
    void SetNoticeHandler(NoticeHandler handler) override {
        inner_ = std::move(handler);
        mapper_.SetNoticeHandler([this](WaveDevice d, WaveHeader* h) {
            ++delivered;
            if (!open_.count(d) || !liveHeaders.count(h)) ++deliveredToNoChannel;
            auto it = awaited_.find(d);
            if (it != awaited_.end() && --it->second == 0) awaited_.erase(it);
            if (inner_) inner_(d, h);
        });
    }

    std::set<const WaveHeader*> liveHeaders;  // the channels of the loaded instrument
    int64_t delivered = 0;
    int64_t dropped = 0;
    int64_t deliveredToNoChannel = 0;

private:
    WaveMapper& mapper_;
    NoticeHandler inner_;
    std::set<WaveDevice> open_;
    std::map<WaveDevice, int64_t> awaited_;
};

// 64 voices on one recording, each on its own button of an 8 x 8 grid and in a chord of
// four; keys play voices (X and Y a stop and a play action), hardware buttons play chords.
std::string StressInstrument() {
    std::string text = "cl1.0\ns n tone.wav 220 0 12\n";
    for (int i = 0; i < VOICES; ++i) {
        const std::string v = "v" + std::to_string(i);
        text += "v " + v + "\nbr p" + std::to_string(i) + " " + std::to_string(i % 8 * 30) +
                " " + std::to_string(i / 8 * 40) + " 30 40\n";
    }
    for (int c = 0; c < VOICES / 4; ++c) text += "{ chord" + std::to_string(c) + " }\n";
    for (char key = 'A'; key <= 'Z'; ++key) text += std::string("bh bk") + key + "\n";
    for (int b = 1; b <= 15; ++b) text += "bh b" + std::to_string(b) + "\n";
    text += "< v3\n> v5 80\n{ init\n";
    for (int i = 0; i < VOICES; ++i) {
        const std::string v = "v" + std::to_string(i);
        text += "=s " + v + ".ns n+" + std::to_string(i % 13) + "\n";
        text += "=s p" + std::to_string(i) + ".na " + (i % 5 == 0 ? "chord" + std::to_string(i / 5 % 16) : v) + "\n";
    }
    // Every voice also sounds in the chord of its row of four, through the group it joins.
    for (int i = 0; i < VOICES; ++i) {
        text += "=s v" + std::to_string(i) + ".ng chord" + std::to_string(i / 4) + "\n";
    }
    for (char key = 'A'; key <= 'Z'; ++key) {
        const int i = key - 'A';
        text += std::string("=s bk") + key + ".na " +
                (key == 'X' ? "v3<" : key == 'Y' ? "v5>" : "v" + std::to_string(i * 2)) + "\n";
    }
    for (int b = 1; b <= 15; ++b) {
        text += "=s b" + std::to_string(b) + ".na chord" + std::to_string(b) + "\n";
    }
    text += "}\n";
    return text;
}

// A plucked tone of 0.25 s, so that sounds end (and their notices come) all the time.
std::string ToneWave() {
    const uint32_t rate = 22050;
    const uint32_t values = rate / 4;
    std::string bytes = "RIFF";
    auto put = [&](uint32_t v, int n) {
        for (int i = 0; i < n; ++i) bytes.push_back(static_cast<char>(v >> (8 * i)));
    };
    put(36 + values * 2, 4);
    bytes += "WAVEfmt ";
    put(16, 4);
    put(1, 2);
    put(1, 2);
    put(rate, 4);
    put(rate * 2, 4);
    put(2, 2);
    put(16, 2);
    bytes += "data";
    put(values * 2, 4);
    for (uint32_t i = 0; i < values; ++i) {
        const double t = static_cast<double>(i) / rate;
        put(static_cast<uint16_t>(static_cast<int16_t>(9000 * std::exp(-6 * t) *
                                                       std::sin(2 * 3.14159265 * 220 * t))),
            2);
    }
    return bytes;
}

class StressTest : public ChordlaneTest {
protected:
    void SetUp() override {
        ChordlaneTest::SetUp();
        AppState& app = App();
        app.screenWidth = 240;
        app.screenHeight = 320;
        app.screenRect = {0, 0, 239, 319};
        app.homeFolder = TempFolder();
        app.programFolder = TempFolder();
        app.vM = 50;
        WriteFile("tone.wav", ToneWave());
        path_ = FromUtf8(WriteFile("stress.clx", StressInstrument()).string());
        Platform services = CurrentPlatform();
        services.waveOut = &output_;
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
        output_.liveHeaders.clear();
        CollectHeaders(*App().root);
        ASSERT_EQ(output_.liveHeaders.size(), static_cast<size_t>(VOICES));
    }
    void CollectHeaders(Element& e) {
        if (auto* voice = dynamic_cast<VoiceElement*>(&e)) {
            output_.liveHeaders.insert(&voice->Channel().Header());
        }
        std::vector<Element*> members;
        if (auto* panel = dynamic_cast<PanelElement*>(&e)) members = panel->Group().Members();
        if (auto* group = dynamic_cast<GroupElement*>(&e)) members = group->Members();
        for (Element* m : members) CollectHeaders(*m);
    }

    String path_;
    WaveMapper mapper_;
    OfflineOutput offline_{mapper_, platform_.clock, OfflineOutputConfig{}};
    WatchedOutput output_{mapper_};
};

TEST_F(StressTest, ManyVoicesEventsAndReloadsDeliverEveryNoticeToALiveChannelOnly) {
    const int64_t events = SizeFromEnvironment("CHORDLANE_STRESS_EVENTS", 100000 / DEFAULT_SCALE);
    const int64_t reloads = SizeFromEnvironment("CHORDLANE_STRESS_RELOADS", 100 / DEFAULT_SCALE);
    const auto start = std::chrono::steady_clock::now();
    Load();
    InstrumentView view;
    RecordingSurface surface;
    std::mt19937 random(20240601);
    auto pick = [&](int n) { return static_cast<int>(random() % static_cast<uint32_t>(n)); };
    bool down = false;
    size_t mostPlaying = 0;
    int64_t unloads = 0;
    const int64_t reloadEvery = reloads > 0 ? std::max<int64_t>(1, events / reloads) : events + 1;

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
            UnloadInstrument();
            ++unloads;
            ASSERT_TRUE(PlayingList().empty());
            output_.liveHeaders.clear();
            platform_.clock.Advance(5);
            Load();
        }
    }
    UnloadInstrument();
    output_.liveHeaders.clear();
    platform_.clock.Advance(1000);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    EXPECT_EQ(unloads, reloads);
    EXPECT_EQ(output_.deliveredToNoChannel, 0);
    EXPECT_GT(output_.delivered, 0);
    if (reloads > 0) {
        EXPECT_GT(output_.dropped, 0);
    }
    EXPECT_EQ(mapper_.OpenDevices(), 0u);
    EXPECT_GE(mostPlaying, static_cast<size_t>(VOICES / 2));
    std::cout << "stress: " << events << " events, " << unloads << " reloads, "
              << offline_.FramesRendered() / 48000.0 << " s of sound, at most " << mostPlaying
              << " voices playing, " << output_.delivered << " notices delivered, "
              << output_.dropped << " dropped with their channels, " << seconds << " s\n";
}

}  // namespace
}  // namespace chordlane::test
