// A flood of input on the virtual clock through the program's own mixer: 64 voices, random
// stylus, key and hardware-button events, and instrument reloads while voices sound; and two
// instruments on one mixer while the first gives way to the second. Run under the asan preset
// it also shows that none of it reads freed memory or leaks.
//
// CHORDLANE_STRESS_EVENTS and CHORDLANE_STRESS_RELOADS set the size; by default the full
// size (100 000 events, 100 reloads) runs in every build, sanitizers included, since those
// are where a freed channel or a leak shows.

#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "app/OpenFlow.h"
#include "elements/GroupElement.h"
#include "elements/PanelElement.h"
#include "elements/VoiceElement.h"
#include "mixer/PolyphaseRateConverter.h"
#include "mixer/WaveMapper.h"
#include "platform/headless/OfflineOutput.h"
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

//! Every voice in the tree below e.
std::vector<const VoiceElement*> VoicesIn(Element& e) {
    std::vector<const VoiceElement*> voices;
    if (auto* voice = dynamic_cast<VoiceElement*>(&e)) voices.push_back(voice);
    std::vector<Element*> members;
    if (auto* panel = dynamic_cast<PanelElement*>(&e)) members = panel->Group().Members();
    if (auto* group = dynamic_cast<GroupElement*>(&e)) members = group->Members();
    for (Element* m : members) {
        const std::vector<const VoiceElement*> inner = VoicesIn(*m);
        voices.insert(voices.end(), inner.begin(), inner.end());
    }
    return voices;
}

// The mixer, checking every completion notice against the channels of the loaded instruments
// when it is delivered: a channel's header says which instrument (0 or 1) it belongs to.
class WatchedMixer : public WaveMapper {
  public:
    WaveResult Open(WaveDevice* device, const WaveFormat& format, NoticeHandler handler) override {
        auto watched = [this, inner = std::move(handler)](WaveDevice d, WaveHeader* h) {
            ++delivered;
            const auto owner = owners.find(h);
            if (owner == owners.end()) {
                ++deliveredToNoChannel;
            } else {
                ++deliveredTo[owner->second];
            }
            if (inner) inner(d, h);
        };
        return WaveMapper::Open(device, format, std::move(watched));
    }
    WaveResult Write(WaveDevice d, WaveHeader* h) override {
        const WaveResult r = WaveMapper::Write(d, h);
        if (r == WaveResult::Ok) {
            ++written;
            if (const auto owner = owners.find(h); owner != owners.end())
                ++writtenBy[owner->second];
        }
        return r;
    }

    //! Takes the channels of instrument's voices as owner's.
    void Own(const Instrument& instrument, size_t owner) {
        for (const VoiceElement* v : VoicesIn(*instrument.root))
            owners[&v->Channel().Header()] = owner;
    }
    //! Forgets owner's channels, which are about to go.
    void Disown(size_t owner) {
        std::erase_if(owners, [&](const auto& entry) { return entry.second == owner; });
    }

    std::map<const WaveHeader*, size_t> owners;
    int64_t written = 0, delivered = 0, deliveredToNoChannel = 0;
    std::array<int64_t, 2> writtenBy{}, deliveredTo{};
};

// 64 voices on one recording, each on its own button of an 8 x 8 grid and in a chord of
// four; keys play voices (X and Y a stop and a play action), hardware buttons play chords.
std::string StressInstrument() {
    auto n = [](int i) { return std::to_string(i); };
    std::string text = "cl1.0\ns n tone.wav 220 0 12\n";
    for (int i = 0; i < VOICES; ++i) {
        text +=
            "v v" + n(i) + "\nbr p" + n(i) + " " + n(i % 8 * 30) + " " + n(i / 8 * 40) + " 30 40\n";
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
                (key == 'X'   ? "v3<"
                 : key == 'Y' ? "v5>"
                              : "v" + n((key - 'A') * 2)) +
                "\n";
    }
    for (int b = 1; b <= 15; ++b) text += "=s b" + n(b) + ".na chord" + n(b) + "\n";
    return text + "}\n";
}

// The program's mixer as the wave output, mixed at 48 kHz on every advance of the virtual
// clock, and written to mix.wav in the temporary folder when asked.
class MixerTest : public ChordlaneTest {
  protected:
    explicit MixerTest(bool writeMix = false) : writeMix_(writeMix) {}

    void SetUp() override {
        ChordlaneTest::SetUp();
        Prepare(instrument_);
        platform_.services.waveOut = &mixer_;
        platform_.services.rates = &rates_;
        mixStart_ = platform_.clock.TickCount();
        offline_.emplace(mixer_, platform_.clock,
                         OfflineOutputConfig{writeMix_ ? MixPath().string() : std::string()});
        platform_.clock.SetAdvanceHook([this](uint32_t) { offline_->Advance(); });
    }
    void TearDown() override {
        // The mixer goes before the fixture's instrument: no channel may be left on it.
        UnloadInstrument(instrument_);
        platform_.clock.SetAdvanceHook(nullptr);
        platform_.Restore();
        ChordlaneTest::TearDown();
    }

    //! The screen, folders and volume the program gives an instrument at its start-up.
    void Prepare(Instrument& instrument) const {
        instrument.SetScreen(240, 320);
        instrument.load.homeFolder = instrument.load.programFolder = TempFolder();
        instrument.variables.vM = 50;
    }
    std::filesystem::path MixPath() const { return temp_ / "mix.wav"; }

    WatchedMixer mixer_;
    PolyphaseRateConverter rates_{48000};
    std::optional<OfflineOutput> offline_;
    uint32_t mixStart_ = 0;  // the clock's time at the mix's first frame

  private:
    bool writeMix_;
};

class StressTest : public MixerTest {
  protected:
    void SetUp() override {
        MixerTest::SetUp();
        // A plucked tone of 0.25 s, so that sounds end (and their notices come) all the time.
        const WaveSpec form{1, 1, 22050, 16};
        WriteFile("tone.wav", CanonicalWave(form, Tone(form, 220, 0.25, 9000, 6.0)));
        path_ = FromUtf8(WriteFile("stress.clx", StressInstrument()).string());
    }

    void Load() {
        ASSERT_EQ(OpenInstrument(instrument_, path_).outcome, OpenResult::Outcome::Loaded);
        mixer_.Own(instrument_, 0);
        ASSERT_EQ(mixer_.owners.size(), static_cast<size_t>(VOICES));
    }
    void Unload() {
        UnloadInstrument(instrument_);
        mixer_.Disown(0);
    }

    String path_;
};

TEST_F(StressTest, ManyVoicesEventsAndReloadsDeliverEveryNoticeToALiveChannelOnly) {
    const int64_t events = SizeFromEnvironment("CHORDLANE_STRESS_EVENTS", 100000);
    const int64_t reloads = SizeFromEnvironment("CHORDLANE_STRESS_RELOADS", 100);
    const int64_t reloadEvery = reloads > 0 ? std::max<int64_t>(1, events / reloads) : events + 1;
    Load();
    InstrumentView view(instrument_);
    RecordingSurface surface;
    std::mt19937 random(20240601);
    auto pick = [&](int n) { return static_cast<int>(random() % static_cast<uint32_t>(n)); };
    bool down = false;
    size_t mostPlaying = 0;
    int64_t unloads = 0;
    for (int64_t e = 1; e <= events; ++e) {
        const Point p{pick(260) - 10, pick(340) - 10};
        switch (pick(10)) {
            case 0:
            case 1:
                view.OnButtonDown(p);
                down = true;
                break;
            case 2:
            case 3:
            case 4:
                if (down) view.OnStylusMove(p);
                break;
            case 5:
                view.OnButtonUp(p);
                down = false;
                break;
            case 6:
                view.OnKeyDown('A' + pick(26));
                break;
            case 7:
                view.OnKeyUp('A' + pick(26));
                break;
            case 8:
                instrument_.names.OnKeyDown(FIRST_BUTTON + pick(15));
                break;
            case 9:
                platform_.clock.Advance(static_cast<uint32_t>(pick(12)));
                break;
        }
        mostPlaying = std::max(mostPlaying, instrument_.names.PlayingList().size());
        if (e % 997 == 0) view.Paint(surface);
        if (e % reloadEvery == 0 && unloads < reloads) {
            // Voices are sounding and their notices are on their way.
            Unload();
            ++unloads;
            ASSERT_TRUE(instrument_.names.PlayingList().empty());
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
              << offline_->FramesRendered() / 48000.0 << " s of sound, at most " << mostPlaying
              << " voices playing, " << mixer_.delivered << " notices delivered\n";
}

// Reopening an instrument while the old one still sounds: the new one may be loaded before
// the old one goes, both playing on the one mixer.
class ReloadTest : public MixerTest {
  protected:
    ReloadTest() : MixerTest(true) {}

    static String Shipped(const std::string& name) {
        // The shipped instruments lie at the top of the source tree, above the tests' data.
        return FromUtf8((DataFile("../../instruments") / name).lexically_normal().string());
    }
    //! Strums the six strings at the bottom of the guitar in 200 ms.
    void Strum(InstrumentView& view) {
        view.OnButtonDown({20, 296});
        for (int i = 1; i <= 10; ++i) {
            platform_.clock.Advance(20);
            view.OnStylusMove({20 + 20 * i, 296});
        }
        view.OnButtonUp({220, 296});
    }
    //! Taps the guitar's third strum string: its note sounds anew, cutting the one ringing.
    static void TapThirdString(InstrumentView& view) {
        view.OnButtonDown({130, 296});
        view.OnButtonUp({130, 296});
    }
    //! How many devices the instrument's voices hold open.
    static size_t DevicesOf(const Instrument& instrument) {
        size_t open = 0;
        for (const VoiceElement* v : VoicesIn(*instrument.root))
            open += v->Channel().Device() != NO_DEVICE;
        return open;
    }
    //! How many of the instrument's voices sound: a voice stays on the playing list after its
    //! sound has ended, until it is released.
    static size_t Sounding(const Instrument& instrument) {
        size_t sounding = 0;
        for (const VoiceElement* v : VoicesIn(*instrument.root))
            sounding += v->Channel().IsPlaying();
        return sounding;
    }
    //! How many of the instrument's voices still wait for the notice of a sound they cut.
    static size_t WaitingForACutSound(const Instrument& instrument) {
        size_t waiting = 0;
        for (const VoiceElement* v : VoicesIn(*instrument.root)) {
            waiting += (v->Channel().Flags() & SoundChannel::RESTARTING) != 0;
        }
        return waiting;
    }
    //! The loudest value of the mix written so far from the clock's time ms on, for length ms.
    int Peak(uint32_t ms, uint32_t length) const {
        ms -= mixStart_;
        std::ifstream in(MixPath(), std::ios::binary);
        const std::string wav{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        int peak = 0;
        // 16-bit stereo at 48 kHz after the 44-byte header: 48 frames of 4 bytes a millisecond.
        for (size_t at = 44 + size_t{ms} * 48 * 4;
             at < 44 + size_t{ms + length} * 48 * 4 && at + 2 <= wav.size(); at += 2) {
            const auto v = static_cast<int16_t>(static_cast<uint8_t>(wav[at]) |
                                                static_cast<uint8_t>(wav[at + 1]) << 8);
            peak = std::max(peak, std::abs(static_cast<int>(v)));
        }
        return peak;
    }
};

TEST_F(ReloadTest, ASecondGuitarLoadedWhileTheFirstRingsKeepsItsNoticesAndPlaysOnWhenTheFirstGoes) {
    constexpr size_t FIRST = 0, SECOND = 1;
    constexpr int AUDIBLE = 300;  // of 32767: a string struck at "sp" 60 is far louder
    const String guitar = Shipped("guitar.clx");
    auto first = std::make_unique<Instrument>(platform_.services);
    Prepare(*first);
    ASSERT_EQ(OpenInstrument(*first, guitar).outcome, OpenResult::Outcome::Loaded);
    mixer_.Own(*first, FIRST);
    auto firstView = std::make_unique<InstrumentView>(*first);
    Strum(*firstView);
    EXPECT_EQ(Sounding(*first), 6u);

    // The second loads while the chord rings, and leaves it ringing.
    Instrument second(platform_.services);
    Prepare(second);
    ASSERT_EQ(OpenInstrument(second, guitar).outcome, OpenResult::Outcome::Loaded);
    mixer_.Own(second, SECOND);
    EXPECT_EQ(Sounding(*first), 6u);
    InstrumentView secondView(second);
    Strum(secondView);
    platform_.clock.Advance(100);
    EXPECT_EQ(Sounding(*first), 6u);
    EXPECT_EQ(Sounding(second), 6u);
    EXPECT_EQ(mixer_.OpenDevices(), DevicesOf(*first) + DevicesOf(second));
    // A note of the first struck again: the notice of the cut sound reaches the first, not
    // the second that opened its devices later.
    TapThirdString(*firstView);
    EXPECT_EQ(WaitingForACutSound(*first), 1u);
    platform_.clock.Advance(10);
    EXPECT_EQ(WaitingForACutSound(*first), 0u);
    EXPECT_EQ(Sounding(*first), 6u);
    EXPECT_EQ(mixer_.writtenBy[FIRST], 7);
    EXPECT_EQ(mixer_.deliveredTo[FIRST], 1);

    // The first goes with its chord still sounding, just as one of the second's notes is cut
    // and the notice of its returned buffer waits to be delivered.
    TapThirdString(secondView);
    EXPECT_EQ(mixer_.writtenBy[SECOND], 7);
    firstView.reset();
    mixer_.Disown(FIRST);
    first.reset();
    EXPECT_EQ(mixer_.OpenDevices(), DevicesOf(second));
    const uint32_t gone = platform_.clock.TickCount();

    // The second rings on to its end, every buffer it wrote answered by one notice to it.
    platform_.clock.Advance(3000);
    EXPECT_EQ(Sounding(second), 0u);
    EXPECT_EQ(WaitingForACutSound(second), 0u);
    EXPECT_EQ(mixer_.deliveredTo[SECOND], mixer_.writtenBy[SECOND]);
    // And it plays on.
    Strum(secondView);
    platform_.clock.Advance(3000);
    EXPECT_EQ(mixer_.writtenBy[SECOND], 13);
    EXPECT_EQ(mixer_.deliveredTo[SECOND], mixer_.writtenBy[SECOND]);
    EXPECT_EQ(mixer_.deliveredTo[FIRST], 1);
    EXPECT_EQ(mixer_.deliveredToNoChannel, 0);

    ASSERT_TRUE(offline_->Finish());
    EXPECT_GT(Peak(gone, 100), AUDIBLE);
    EXPECT_GT(Peak(gone + 3000 + 50, 100), AUDIBLE);
    // Nothing is left sounding at the end.
    EXPECT_LT(Peak(platform_.clock.TickCount() - 100, 100), AUDIBLE);
}

}  // namespace
}  // namespace chordlane::test
