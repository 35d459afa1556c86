#include "web/WebApp.h"

#include <cmath>
#include <cstdio>
#include <filesystem>

#include "app/Folders.h"
#include "app/MenuCommands.h"
#include "app/OpenFlow.h"
#include "app/Settings.h"
#include "app/StartupOpen.h"
#include "platform/Text.h"
#include "platform/web/CanvasSurface.h"

namespace chordlane::web {

namespace {

// The volume scale starts in the middle, as in the desktop program and chordlane-tool.
constexpr int32_t START_VOLUME_SCALE = 50;

// The event log of the page, which also notes that a voice started, so the pen-down that
// started it can be timed to its first frame.
class PageLog : public EventLog {
  public:
    PageLog(std::vector<std::string>& lines, Clock& clock, bool& started)
        : EventLog([&lines](const std::string& line) { lines.push_back(line); }, clock),
          started_(started) {}

    void Start(const Element& voice, const Element& sound, int32_t shift, int32_t volume,
               uint32_t level) override {
        EventLog::Start(voice, sound, shift, volume, level);
        started_ = true;
    }

  private:
    bool& started_;
};

bool Readable(const String& path) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(ToUtf8(path), ec)) return false;
    std::FILE* file = std::fopen(ToUtf8(path).c_str(), "rb");
    if (file) std::fclose(file);
    return file != nullptr;
}

}  // namespace

WebApp::WebApp(uint32_t rate, int32_t width, int32_t height)
    : pictures_(String(SITE_FOLDER) + u"startup.bmp"),
      window_([this](const Rect& r) { Paint(0, r); }),
      mapper_(WaveMapperConfig{.deviceRate = rate}),
      rates_(rate) {
    output_ = std::make_unique<WebAudioOutput>(
        mapper_, WebAudioConfig{.rate = rate, .targetFrames = StartingTargetFrames(rate)});
    services_.clock = &clock_;
    services_.files = &files_;
    services_.settings = &settings_;
    services_.dialogs = &dialogs_;
    services_.messages = &messages_;
    services_.help = &help_;
    services_.buttons = &buttons_;
    services_.pictures = &pictures_;
    services_.waveOut = &mapper_;
    services_.rates = &rates_;
    services_.window = &window_;

    Instrument& app = instrument_;
    ShowOptionChecks(app);
    app.SetScreen(width, height);
    app.load.programFolder = SITE_FOLDER;
    app.load.homeFolder = DeriveHomeFolder(&settings_, USER_FOLDER);
    ProvideSystemVolume(&settings_);
    app.screen.startupBitmap = pictures_.LoadStartupBitmap();
    app.variables.vM = START_VOLUME_SCALE;
    StartLog();
}

WebApp::~WebApp() {
    instrument_.trace = nullptr;
    UnloadInstrument(instrument_);
    output_->Stop();
}

void WebApp::StartLog() {
    trace_.clear();
    instrument_.trace = nullptr;
    log_ = std::make_unique<PageLog>(trace_, clock_, voiceStarted_);
    instrument_.trace = log_.get();
}

std::optional<std::string> WebApp::Open(const String& path, std::vector<String> picked) {
    // A name that cannot be opened leaves the instrument playing: the page asks by name, and
    // a wrong name must not cost the person what they were playing.
    if (path != u"!" && !Readable(path)) {
        // The site's own folder is the page's business; the person asked for the name.
        const String site = SITE_FOLDER;
        const String named = path.starts_with(site) ? path.substr(site.size()) : path;
        const std::string problem = "cannot open " + ToUtf8(named) + ": " + CannotOpenReason(path);
        messages_.ShowStop(ProblemMessage(problem));
        return problem;
    }
    dialogs_.SetPicked(std::move(picked));
    StartLog();
    log_->HoldAtZero(true);
    std::string told;
    const StartupOpenResult result =
        OpenOrExplain(instrument_, path, nullptr, [&told](const std::string& p) { told = p; });
    dialogs_.SetPicked({});
    log_->HoldAtZero(false);
    Paint(0, {0, 0, instrument_.screen.width, instrument_.screen.height});
    switch (result.outcome) {
        case StartupOpenResult::Outcome::Loaded:
            shown_ = path;
            return std::nullopt;
        case StartupOpenResult::Outcome::Cancelled:
            return std::string("the file was not opened");
        default:
            shown_.clear();
            return result.problem.empty() ? told : result.problem;
    }
}

void WebApp::Paint(int32_t canvas, const Rect& r) {
    CanvasSurface surface(canvas, r);
    view_.Paint(surface);
}

void WebApp::PointerDown(int32_t point, Point p, double delayMs) {
    voiceStarted_ = false;
    const uint32_t queued = output_->FramesQueued();
    view_.OnTouchDown(point, p);
    if (voiceStarted_ && delayMs >= 0) {
        // From the event's arrival, the new voice's first frame is rendered after what waits
        // in the ring now. The browser's own hold on the event before it arrived is kept
        // apart: it is the browser's, which no page can win back.
        latencyFrames_ = static_cast<int32_t>(queued);
        eventWaitMs_ = delayMs;
    }
}

void WebApp::PointerMove(int32_t point, Point p) { view_.OnTouchMove(point, p); }

void WebApp::PointerUp(int32_t point) { view_.OnTouchUp(point); }

std::optional<ShortcutCommand> WebApp::KeyDown(uint32_t code) {
    if (const Shortcut* shortcut = keys_.Press(code)) return shortcut->command;
    view_.OnKeyDown(code);
    return std::nullopt;
}

void WebApp::KeyUp(uint32_t code) {
    keys_.Release(code);
    view_.OnKeyUp(code);
}

void WebApp::Activated() {
    // Keys released while the page was away (a picker, another tab) never arrived.
    keys_.Reset(0);
    view_.SetHeldModifiers(false, false);
}

void WebApp::ToggleShowActive() { chordlane::ToggleShowActive(instrument_); }

void WebApp::ToggleSpeedVolume() { chordlane::ToggleSpeedVolume(instrument_); }

bool WebApp::ShowActive() const { return instrument_.options.showActive != 0; }

bool WebApp::SpeedVolume() const { return instrument_.options.speedVolume != 0; }

void WebApp::OpenHelp() { ShowHelp(instrument_); }

void WebApp::Tick() { mapper_.DeliverNotices(); }

void WebApp::AudioStarted() { output_->Flush(); }

AudioFigures WebApp::Audio() const {
    return {output_->Rate(), output_->FramesTaken(),  output_->Underruns(), output_->Peak(),
            latencyFrames_,  output_->TargetFrames(), eventWaitMs_};
}

Size WebApp::Screen() const { return {instrument_.screen.width, instrument_.screen.height}; }

}  // namespace chordlane::web
