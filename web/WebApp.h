#pragma once
// The page's program: the core on the browser's platform. The page's script calls it through
// the functions of main.cpp, always on the page's main thread; only the sound has a thread of
// its own.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/EventLog.h"
#include "app/MessageBoxReporter.h"
#include "app/Shortcuts.h"
#include "elements/Instrument.h"
#include "mixer/PolyphaseRateConverter.h"
#include "mixer/WaveMapper.h"
#include "platform/Platform.h"
#include "platform/std/StdFileSystem.h"
#include "platform/std/SteadyClock.h"
#include "platform/web/PageServices.h"
#include "platform/web/PickedFileDialogs.h"
#include "platform/web/WebAudioOutput.h"
#include "platform/web/WebPictureLoader.h"
#include "platform/web/WebSettingsStore.h"
#include "view/InstrumentView.h"

namespace chordlane::web {

// Where the page's file system keeps things: the site's instruments with their sounds and
// pictures, the manual and the start-up bitmap; the person's own files.
inline constexpr char16_t SITE_FOLDER[] = u"/chordlane/";
inline constexpr char16_t USER_FOLDER[] = u"/user/";

struct AudioFigures {
    uint32_t rate = 0;
    uint32_t frames = 0;     // taken by the worklet
    uint64_t underruns = 0;  // blocks the worklet found empty while sound was due
    float peak = 0.0f;
    int32_t latencyFrames = -1;  // of the last pen-down that started a sound; -1: none yet
    uint32_t targetFrames = 0;   // what the mixer keeps ahead of the worklet now
    // How long the browser held that pen-down before the page got it; -1: none yet.
    double eventWaitMs = -1.0;
};

class WebApp {
  public:
    //! The program at the audio context's rate, showing a screen of width x height.
    WebApp(uint32_t rate, int32_t width, int32_t height);
    ~WebApp();
    WebApp(const WebApp&) = delete;
    WebApp& operator=(const WebApp&) = delete;

    //! Opens path (a file of the page's file system, or "!" for the built-in guitar). On
    //! success the event log starts again; when the file cannot be read the instrument that
    //! was playing plays on and the answer is the message, also shown in the page. picked are
    //! the files the person chose with it, which answer its prompts.
    std::optional<std::string> Open(const String& path, std::vector<String> picked = {});

    //! Paints r of the screen on the page's canvas (0) or the offscreen one (1).
    void Paint(int32_t canvas, const Rect& r);
    //! A touch point goes down, moves or lifts at a point of the screen. delayMs is how long
    //! the event waited in the browser before it reached the page, a figure of its own beside
    //! the latency from its arrival; negative when the sound was not running yet, which makes
    //! both meaningless for this tap.
    void PointerDown(int32_t point, Point p, double delayMs);
    void PointerMove(int32_t point, Point p);
    void PointerUp(int32_t point);
    //! A key goes down: a shortcut of the program (Ctrl+O, F1...) is answered for the page to
    //! run and does not reach the instrument, as in the desktop program; other keys play.
    std::optional<ShortcutCommand> KeyDown(uint32_t code);
    //! A release reaches the instrument even after a shortcut, as in the window.
    void KeyUp(uint32_t code);
    //! The page came back to the front (after a picker, another tab): modifiers are released.
    void Activated();
    //! The menu's two options.
    void ToggleShowActive();
    void ToggleSpeedVolume();
    bool ShowActive() const;
    bool SpeedVolume() const;
    //! The manual, in a new tab.
    void OpenHelp();
    //! Every few milliseconds: sounds that ended tell their voices.
    void Tick();
    //! The audio context started: what the mixer rendered before anyone listened is dropped.
    void AudioStarted();

    const std::vector<std::string>& Trace() const { return trace_; }
    AudioFigures Audio() const;
    const AudioRing* Ring() const { return output_ ? output_->Ring() : nullptr; }
    Size Screen() const;
    //! The name of what is shown ("!" for the built-in guitar), for the title and the recent list.
    const String& Shown() const { return shown_; }

  private:
    void StartLog();

    SteadyClock clock_;
    WebSettingsStore settings_;
    StdFileSystem files_;
    WebPictureLoader pictures_;
    PickedFileDialogs dialogs_;
    PageMessageBox messages_;
    PageHelpViewer help_;
    NoHardwareButtons buttons_;
    PageWindow window_;
    WaveMapper mapper_;
    PolyphaseRateConverter rates_;
    std::unique_ptr<WebAudioOutput> output_;
    Platform services_;
    Instrument instrument_{services_};
    MessageBoxReporter reporter_{instrument_};
    InstrumentView view_{instrument_};
    ShortcutKeys keys_;
    std::vector<std::string> trace_;
    std::unique_ptr<EventLog> log_;
    String shown_;
    // Set by the log when a voice starts, so a pen-down knows it started one.
    bool voiceStarted_ = false;
    int32_t latencyFrames_ = -1;
    double eventWaitMs_ = -1.0;
};

}  // namespace chordlane::web
