#include "app/LoadProblems.h"

#include "platform/Text.h"

namespace chordlane {

std::string LoadProblem::Text() const {
    return ToUtf8(file) + ":" + std::to_string(line) + ": " + reason;
}

void LoadProblemListener::SkippedLine(const String& file, int32_t line, const String& reason) {
    // The parser says so in the reason: "s: no FILE: the prompt was cancelled", "no FILE:
    // prompts are skipped after a cancelled one".
    const bool unanswered = reason.find(u"no FILE: ") != String::npos;
    sink_({file, line, ToUtf8(reason), unanswered});
}

void LoadProblemListener::MissingInclude(const String& file, int32_t line, const String& name) {
    sink_({file, line, "include file " + JsonString(name) + " cannot be found"});
}

void LoadProblemListener::FileNotLoaded(const String& file, int32_t line, const String& what,
                                        const String& name, const String& reason) {
    std::string text = ToUtf8(what) + " " + JsonString(name) + " cannot be loaded";
    if (!reason.empty()) text += ": " + ToUtf8(reason);
    sink_({file, line, std::move(text)});
}

void LoadProblemListener::IndentedDirective(const String& file, int32_t line,
                                            const String& directive) {
    sink_({file, line, "indented line beginning with '" + ToUtf8(directive) + "' is ignored"});
}

void LoadProblemListener::UnresolvedName(const String& file, int32_t line, const String& name,
                                         const String& closest) {
    std::string text = "name " + JsonString(name) + " resolves to nothing";
    if (!closest.empty()) text += " (did you mean " + JsonString(closest) + "?)";
    sink_({file, line, std::move(text)});
}

void LoadProblemListener::UnclosedBlock(const String& file, int32_t line, bool panel,
                                        const String& name) {
    sink_({file, line,
           std::string(panel ? "panel " : "group ") + JsonString(name) +
               " is not closed before the end of the file"});
}

void LoadProblemListener::OutsideScreen(const String& file, int32_t line, const String& name,
                                        int32_t screenWidth, int32_t screenHeight) {
    sink_({file, line,
           "rectangle of " + JsonString(name) + " lies wholly outside the " +
               std::to_string(screenWidth) + "x" + std::to_string(screenHeight) + " screen"});
}

LoadProblemList::LoadProblemList(bool leaveOutToldFiles) : leaveOutToldFiles_(leaveOutToldFiles) {}

std::string LoadProblemList::Text() const {
    std::string text;
    for (size_t i = 0; i < lines_.size() && i < MAX_LISTED; ++i) text += lines_[i] + "\n";
    if (lines_.size() > MAX_LISTED) {
        text += "and " + std::to_string(lines_.size() - MAX_LISTED) +
                " more (chordlane-tool check lists them all)\n";
    }
    return text;
}

LoadProblemList::Collector::Collector(LoadProblemList& list)
    : LoadProblemListener([&list](const LoadProblem& problem) {
          if (!problem.promptNotAnswered) list.lines_.push_back(problem.Text());
      }),
      list_(list) {}

void LoadProblemList::Collector::FileNotLoaded(const String& file, int32_t line, const String& what,
                                               const String& name, const String& reason) {
    const size_t before = list_.lines_.size();
    LoadProblemListener::FileNotLoaded(file, line, what, name, reason);
    lastFileLine_.reset();
    if (list_.lines_.size() > before) lastFileLine_ = before;
}

void LoadProblemList::Collector::UserMessage(const String& text) {
    // A sound that cannot be loaded says so in a box of its own, with the line that named
    // it, right after reporting the file: the list need not say it a second time.
    const bool couldNotLoad = text.starts_with(COULD_NOT_LOAD);
    if (list_.leaveOutToldFiles_ && couldNotLoad && lastFileLine_ &&
        *lastFileLine_ + 1 == list_.lines_.size())
        list_.lines_.pop_back();
    lastFileLine_.reset();
}

}  // namespace chordlane
