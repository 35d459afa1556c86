#include "app/StartupOpen.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <unordered_set>
#include <vector>

#include "app/LoadProblems.h"
#include "elements/GroupElement.h"
#include "elements/Instrument.h"
#include "elements/PanelElement.h"
#include "platform/Text.h"

namespace chordlane {

namespace {

// Walked with a list of its own: a group may be a member of itself through a name, and a
// deep instrument must not run the stack out.
bool GroupHasVisual(const GroupElement& top) {
    std::vector<const GroupElement*> pending{&top};
    std::unordered_set<const Element*> seen{&top};
    while (!pending.empty()) {
        const GroupElement* group = pending.back();
        pending.pop_back();
        for (const Element* member : group->Members()) {
            const int32_t kind = member->GetKind();
            // Panels draw their own rectangle, so they count as something to show.
            if (kind & KIND_VISUAL) return true;
            if ((kind & KIND_GROUP) && seen.insert(member).second)
                pending.push_back(static_cast<const GroupElement*>(member));
        }
    }
    return false;
}

// Back to what the program shows before anything is loaded: a tap opens the dialog again.
void ReturnToStartupScreen(Instrument& instrument) {
    UnloadInstrument(instrument);
    instrument.ResetInstrument();
    instrument.load.loaded = 0;
    instrument.SetScreenState(SCREEN_TAP_TO_START);
}

std::string Quoted(const String& path) { return "'" + ToUtf8(path) + "'"; }

}  // namespace

std::string CannotOpenReason(const String& path) {
    const std::string native = ToUtf8(path);
    std::error_code ec;
    const std::filesystem::file_status status = std::filesystem::status(native, ec);
    if (ec) return ec.message();
    if (std::filesystem::is_directory(status)) return "it is a folder";
    if (FILE* file = std::fopen(native.c_str(), "rb")) {
        std::fclose(file);
        return "it cannot be read";
    }
    return std::strerror(errno);
}

bool HasSomethingToShow(const Instrument& instrument) {
    return instrument.root && GroupHasVisual(instrument.root->Group());
}

String ProblemMessage(const std::string& problem) {
    String text = FromUtf8(problem);
    if (!text.empty() && text.front() >= u'a' && text.front() <= u'z') text.front() -= u'a' - u'A';
    return text + u"\n";
}

StartupOpenResult OpenOrExplain(Instrument& instrument, const std::optional<String>& path,
                                ParseListener* listener,
                                const std::function<void(const std::string&)>& tellFirst) {
    StartupOpenResult result;
    // A sound that cannot be loaded has told the person already, in a box of its own.
    LoadProblemList problems(true);
    ListenerSet listeners;
    listeners.Add(problems.Listener());
    if (listener) listeners.Add(listener);
    result.load = OpenInstrument(instrument, path, &listeners);
    switch (result.load.outcome) {
        case OpenResult::Outcome::Cancelled:
            return result;
        case OpenResult::Outcome::Aborted:
            result.outcome = StartupOpenResult::Outcome::Abandoned;
            return result;
        case OpenResult::Outcome::Loaded:
            break;
    }
    // The path as the Open flow kept it: the one given, or the one chosen in the dialog.
    const String opened = path ? *path : instrument.load.currentPath;
    if (!result.load.found) {
        result.outcome = StartupOpenResult::Outcome::CannotOpen;
        result.problem = "cannot open " + Quoted(opened) + ": " + CannotOpenReason(opened);
    } else if (!HasSomethingToShow(instrument)) {
        result.outcome = StartupOpenResult::Outcome::NothingToShow;
        result.problem = Quoted(opened) + " has nothing to show: is it an instrument file?";
    } else {
        result.outcome = StartupOpenResult::Outcome::Loaded;
        result.loadProblems = problems.Text();
        if (!problems.Empty()) {
            if (MessageBox* messages = instrument.platform.messages) {
                messages->ShowStop(FromUtf8("Loaded " + Quoted(opened) + " with problems:\n" +
                                            result.loadProblems));
            }
        }
        return result;
    }
    ReturnToStartupScreen(instrument);
    if (tellFirst) tellFirst(result.problem);
    if (MessageBox* messages = instrument.platform.messages)
        messages->ShowStop(ProblemMessage(result.problem));
    return result;
}

}  // namespace chordlane
