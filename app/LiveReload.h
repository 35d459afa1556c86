#pragma once
// Live reload, for authors who edit an instrument while it plays: when a file the instrument
// read changes (the instrument file, a file it included, a wave file, a picture), or on
// File -> Reload, the instrument is loaded again with the answers its prompts were given,
// into a second instrument beside the one playing. Only a load that worked replaces the
// instrument on show; the replaced one lets its sounds ring out on the same output before
// it goes. What the reload found wrong is said once, in one message.
//
// A reload "fails outright" when the file cannot be read any more, holds nothing to show,
// or was abandoned in a prompt: then the instrument as it was keeps playing and is watched
// as before. A load with lesser problems (a wave file or include that cannot be had, a line
// skipped) replaces it, since the rest of the edit is what the author wants to hear, and
// the message lists the problems.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>

#include "platform/FileWatcher.h"
#include "platform/Platform.h"

namespace chordlane {

class Instrument;

enum class ReloadTrigger {
    FileChanged,  // asks no dialog; a prompt the last load did not answer is cancelled
    ByHand,       // File -> Reload: a prompt the last load did not answer is asked
};

struct ReloadResult {
    enum class Outcome {
        NothingLoaded,  // no instrument file is loaded: nothing to reload
        Reloaded,       // the new load is on show
        KeptOld,        // the new load failed outright: the old instrument plays on
        Busy,           // a reload is under way (its message box is open): it runs once more
    };
    Outcome outcome = Outcome::NothingLoaded;
    //! The problems found, as one message (empty when there were none).
    std::string message;
    //! Whether the message went to the message box; a file change does not repeat the
    //! message of the reload before it.
    bool shown = false;
};

struct RingOutLimits {
    size_t instruments = 2;  // replaced instruments still sounding; the oldest goes first
    uint32_t ms = 10000;     // how long a replaced instrument may ring (a loop never ends)
};

class LiveReload {
  public:
    //! services: the set every instrument of the program is built on; the reload lends its
    //! dialogs and window to the new load. The first instrument is made empty here.
    explicit LiveReload(Platform& services, RingOutLimits limits = {});
    ~LiveReload();
    LiveReload(const LiveReload&) = delete;
    LiveReload& operator=(const LiveReload&) = delete;

    //! The instrument on show.
    Instrument& Current() { return *current_; }
    //! From now on watches through watcher (null: watches nothing); it must outlive this.
    void SetWatcher(FileWatcher* watcher);
    //! Runs after a reload has put a new instrument on show, before the old one may go:
    //! whatever shows or listens to the instrument follows it there.
    void SetReplaced(std::function<void(Instrument& now)> replaced) {
        replaced_ = std::move(replaced);
    }
    //! Watches the files the instrument on show read; to be called after every load.
    void WatchCurrent();

    //! Loads the instrument on show again (see above).
    ReloadResult Reload(ReloadTrigger trigger);

    // Holds reloads off while the program works on the instrument on show through a dialog
    // (opening another, saving it): a file change arriving in the dialog's event loop must
    // not replace the instrument under it. A change held off reloads when the hold ends,
    // unless a load in the meantime watched the files afresh.
    class Hold {
      public:
        explicit Hold(LiveReload& reload);
        ~Hold();
        Hold(const Hold&) = delete;
        Hold& operator=(const Hold&) = delete;

      private:
        LiveReload& reload_;
        bool wasBusy_;
    };

    //! Lets go of the replaced instruments whose sounds have ended or that rang too long.
    void ReleaseQuiet();
    //! Lets go of every replaced instrument at once, e.g. before the program closes.
    void ReleaseAll() { ringing_.clear(); }
    //! How many replaced instruments still ring.
    size_t Ringing() const { return ringing_.size(); }

  private:
    struct Replaced {
        std::unique_ptr<Instrument> instrument;
        uint32_t since = 0;
    };
    ReloadResult ReloadOnce(ReloadTrigger trigger);
    void WatchShown();
    void Retire(std::unique_ptr<Instrument> old);
    uint32_t Now() const;

    Platform& services_;
    RingOutLimits limits_;
    FileWatcher* watcher_ = nullptr;
    std::function<void(Instrument&)> replaced_;
    // Declared before the instrument on show, so they go after it; the oldest first.
    std::deque<Replaced> ringing_;
    std::unique_ptr<Instrument> current_;
    std::string lastMessage_;
    bool busy_ = false;
    bool again_ = false;
};

}  // namespace chordlane
