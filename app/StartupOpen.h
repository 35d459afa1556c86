#pragma once
// Opening an instrument the person asked for by name (the command line) or in the Open
// dialog, so that it never ends in a blank screen that does nothing: a path that cannot be
// opened, or a file in which nothing can be drawn, is said to the person and the start-up
// screen comes back, where a tap opens the dialog.

#include <functional>
#include <optional>
#include <string>

#include "app/OpenFlow.h"
#include "platform/Types.h"

namespace chordlane {

class Instrument;
class ParseListener;

struct StartupOpenResult {
    enum class Outcome {
        Cancelled,      // the dialog was cancelled: the old instrument stays
        Loaded,         // the instrument is loaded and shows something
        CannotOpen,     // the file search found nothing to read: the start-up screen
        NothingToShow,  // read, but no element to draw (not an instrument file?)
        Abandoned,      // abandoned in a file prompt: the start-up screen
    };
    Outcome outcome = Outcome::Cancelled;
    OpenResult load;
    //! The problem in one sentence, naming the path (empty when there was none). The
    //! program prints it after "chordlane: " on standard error and shows it capitalised.
    std::string problem;
    //! What chordlane-tool check would say of the loaded instrument, one "FILE:LINE: REASON"
    //! line each (empty for a clean load); shown in one message after the load.
    std::string loadProblems;
};

//! Opens path (or the one chosen in the Open dialog when none is given) through the Open
//! flow. On CannotOpen and NothingToShow the instrument is unloaded, the start-up screen
//! shows, tellFirst (when given) learns the problem, and then a message box shows it: the
//! box waits for the person, a line on standard error must not. A load that worked but in
//! which chordlane-tool check would find problems (a skipped line, a name that resolves to
//! nothing, a group left open...) lists them in one message box, so that the author learns
//! which line to mend; a clean load shows nothing.
StartupOpenResult OpenOrExplain(Instrument& instrument, const std::optional<String>& path,
                                ParseListener* listener = nullptr,
                                const std::function<void(const std::string&)>& tellFirst = {});

//! Why the file at path cannot be read, in the words of the system ("No such file or
//! directory", "Permission denied") or "it is a folder".
std::string CannotOpenReason(const String& path);

//! Whether anything of the loaded instrument can be drawn, shown now or on a hidden panel.
bool HasSomethingToShow(const Instrument& instrument);

//! The message box text for a problem: its first letter in upper case and a line feed.
String ProblemMessage(const std::string& problem);

}  // namespace chordlane
