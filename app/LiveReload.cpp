#include "app/LiveReload.h"

#include <unordered_set>
#include <vector>

#include "app/LoadProblems.h"
#include "app/OpenFlow.h"
#include "app/RecentInstruments.h"
#include "app/StartupOpen.h"
#include "elements/GroupElement.h"
#include "elements/Instrument.h"
#include "elements/PanelElement.h"
#include "elements/VoiceElement.h"
#include "language/ParseListener.h"
#include "platform/Text.h"

namespace chordlane {

namespace {

// A message box that opens a new reload when closed could otherwise keep one going forever.
constexpr int MAX_ROUNDS = 3;

// What the program holds across loads rather than the file: a reload starts where opening
// the same file again would, with the options, variables and folders as they are now.
void TakeProgramState(const Instrument& from, Instrument& to) {
    to.SetScreen(from.screen.width, from.screen.height);
    to.load.programFolder = from.load.programFolder;
    to.load.homeFolder = from.load.homeFolder;
    to.screen.startupBitmap = from.screen.startupBitmap;
    to.options = from.options;
    to.variables = from.variables;
    to.trace = from.trace;
}

// Whether a voice of the instrument still sounds. Its list of playing voices will not do: a
// voice stays on it after its sound has ended, until something releases it. Walked with a
// list of its own: a group may be a member of itself through a name.
bool Sounding(const Instrument& instrument) {
    if (!instrument.root) return false;
    std::vector<const GroupElement*> pending{&instrument.root->Group()};
    std::unordered_set<const Element*> seen;
    while (!pending.empty()) {
        const GroupElement* group = pending.back();
        pending.pop_back();
        for (const Element* member : group->Members()) {
            if (!seen.insert(member).second) continue;
            const int32_t kind = member->GetKind();
            if (kind & KIND_VOICE) {
                if (static_cast<const VoiceElement*>(member)->Channel().IsPlaying()) return true;
            } else if (kind & KIND_CONTAINER) {
                pending.push_back(&static_cast<const PanelElement*>(member)->Group());
            } else if (kind & KIND_GROUP) {
                pending.push_back(static_cast<const GroupElement*>(member));
            }
        }
    }
    return false;
}

std::string Quoted(const String& path) { return "'" + ToUtf8(path) + "'"; }

// Lends a service of the shared set to one load and puts the old one back after it.
template <typename Service>
class Lend {
  public:
    Lend(Service*& slot, Service* lent) : slot_(slot), own_(slot) { slot_ = lent; }
    ~Lend() { slot_ = own_; }
    Lend(const Lend&) = delete;
    Lend& operator=(const Lend&) = delete;

  private:
    Service*& slot_;
    Service* own_;
};

}  // namespace

LiveReload::LiveReload(Platform& services, RingOutLimits limits)
    : services_(services), limits_(limits), current_(std::make_unique<Instrument>(services)) {}

LiveReload::~LiveReload() {
    if (watcher_) watcher_->SetChangeHandler({});
}

void LiveReload::SetWatcher(FileWatcher* watcher) {
    if (watcher_) watcher_->SetChangeHandler({});
    watcher_ = watcher;
    if (watcher_) watcher_->SetChangeHandler([this] { Reload(ReloadTrigger::FileChanged); });
    WatchCurrent();
}

LiveReload::Hold::Hold(LiveReload& reload) : reload_(reload), wasBusy_(reload.busy_) {
    reload_.busy_ = true;
}

LiveReload::Hold::~Hold() {
    if (wasBusy_) return;
    reload_.busy_ = false;
    if (reload_.again_) {
        reload_.again_ = false;
        reload_.Reload(ReloadTrigger::FileChanged);
    }
}

void LiveReload::WatchCurrent() {
    // A change noted before is to files this instrument has just read afresh.
    again_ = false;
    WatchShown();
}

void LiveReload::WatchShown() {
    if (!watcher_) return;
    const Instrument& shown = *current_;
    watcher_->Watch(shown.load.loaded ? shown.UsedFiles() : std::vector<String>{});
}

uint32_t LiveReload::Now() const { return services_.clock ? services_.clock->TickCount() : 0; }

ReloadResult LiveReload::Reload(ReloadTrigger trigger) {
    if (busy_) {
        again_ = true;
        ReloadResult held;
        held.outcome = ReloadResult::Outcome::Busy;
        return held;
    }
    busy_ = true;
    ReloadResult result;
    // Files that changed while the message box was open are loaded once more afterwards.
    for (int round = 0; round < MAX_ROUNDS; ++round) {
        again_ = false;
        result = ReloadOnce(round == 0 ? trigger : ReloadTrigger::FileChanged);
        if (!again_) break;
    }
    busy_ = false;
    return result;
}

ReloadResult LiveReload::ReloadOnce(ReloadTrigger trigger) {
    ReloadResult result;
    Instrument& old = *current_;
    if (!old.load.loaded || old.load.currentPath.empty()) return result;
    const String path = old.load.currentPath;

    auto next = std::make_unique<Instrument>(services_);
    TakeProgramState(old, *next);
    // The "Could not load" message of a sound goes nowhere in a reload: it is listed here.
    LoadProblemList problems;
    OpenResult load;
    {
        // The answers of the last load come first. After them a file change asks nobody, as
        // an author saving in an editor is not to be interrupted; File -> Reload asks.
        GivenAnswers answers(trigger == ReloadTrigger::ByHand ? services_.dialogs : nullptr,
                             AnswersOfLog(old.load.answersLog));
        const Lend<FileDialogs> lendDialogs(services_.dialogs, &answers);
        // Without the window the load neither paints its loading screen over the instrument
        // still playing nor raises the window above the author's editor.
        const Lend<Window> hideWindow(services_.window, nullptr);
        load = OpenInstrument(*next, path, problems.Listener());
    }

    std::string failure;
    if (load.outcome != OpenResult::Outcome::Loaded) {
        failure = "the reload of " + Quoted(path) + " was abandoned in a file prompt";
    } else if (!load.found) {
        failure = "cannot open " + Quoted(path) + ": " + CannotOpenReason(path);
    } else if (!HasSomethingToShow(*next)) {
        failure = Quoted(path) + " has nothing to show: is it an instrument file?";
    }

    if (!failure.empty()) {
        result.outcome = ReloadResult::Outcome::KeptOld;
        result.message = ToUtf8(ProblemMessage(failure)) + problems.Text() +
                         "The instrument as it was plays on.\n";
        // Watched as well: the failed load may have read files the old one did not (a file
        // it newly includes), and mending one of them is the edit that makes it work.
        if (watcher_) {
            std::vector<String> watched = old.UsedFiles();
            const std::vector<String>& tried = next->UsedFiles();
            watched.insert(watched.end(), tried.begin(), tried.end());
            watched.push_back(path);
            watcher_->Watch(watched);
        }
        // Whatever its "init" started stops before the message waits for the person.
        next.reset();
    } else {
        result.outcome = ReloadResult::Outcome::Reloaded;
        if (!problems.Empty())
            result.message = "Reloaded " + Quoted(path) + " with problems:\n" + problems.Text();
        std::unique_ptr<Instrument> before = std::move(current_);
        current_ = std::move(next);
        if (replaced_) replaced_(*current_);
        Retire(std::move(before));
        WatchShown();
        current_->RepaintNow(current_->screen.rect);
    }

    // An author typing into a file saved on every key sees a problem once, not once a key.
    const bool repeated = trigger == ReloadTrigger::FileChanged && result.message == lastMessage_;
    lastMessage_ = result.message;
    if (!result.message.empty() && !repeated && services_.messages) {
        result.shown = true;
        services_.messages->ShowStop(FromUtf8(result.message));
    }
    return result;
}

void LiveReload::Retire(std::unique_ptr<Instrument> old) {
    if (!Sounding(*old)) return;  // nothing rings: it goes now
    ringing_.push_back({std::move(old), Now()});
    while (ringing_.size() > limits_.instruments) ringing_.pop_front();
}

void LiveReload::ReleaseQuiet() {
    const uint32_t now = Now();
    std::erase_if(ringing_, [&](const Replaced& r) {
        return !Sounding(*r.instrument) || now - r.since >= limits_.ms;
    });
}

}  // namespace chordlane
