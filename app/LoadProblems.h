#pragma once
// The problems of one load as "FILE:LINE: REASON" lines: the form chordlane-tool check prints
// and the reload message lists, so an author finds the line whichever told it.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "language/ParseListener.h"

namespace chordlane {

struct LoadProblem {
    String file;  // the file's name as the loader used it
    int32_t line = 0;
    std::string reason;
    // The line was left out because its file prompt was cancelled or prompts were being
    // skipped: the person's choice, or a reload's asking nobody, rather than a fault of the file.
    bool promptNotAnswered = false;

    //! "FILE:LINE: REASON"
    std::string Text() const;
};

// Turns each problem a load reports into a LoadProblem, as it is found, and hands it on.
class LoadProblemListener : public ParseListener {
  public:
    explicit LoadProblemListener(std::function<void(const LoadProblem&)> sink)
        : sink_(std::move(sink)) {}

    void SkippedLine(const String& file, int32_t line, const String& reason) override;
    void MissingInclude(const String& file, int32_t line, const String& name) override;
    void FileNotLoaded(const String& file, int32_t line, const String& what, const String& name,
                       const String& reason) override;
    void IndentedDirective(const String& file, int32_t line, const String& directive) override;
    void UnresolvedName(const String& file, int32_t line, const String& name,
                        const String& closest) override;
    void UnclosedBlock(const String& file, int32_t line, bool panel, const String& name) override;
    void OutsideScreen(const String& file, int32_t line, const String& name, int32_t screenWidth,
                       int32_t screenHeight) override;

  private:
    std::function<void(const LoadProblem&)> sink_;
};

// The problems of one load as the lines of one message box, the way the program tells them
// after a load or a reload. A line left out because its prompt went unanswered is the
// person's choice, or a reload's asking nobody, not a fault of the file, and is not listed.
class LoadProblemList {
  public:
    // A message box is read, not scrolled: past this many lines the rest is counted.
    static constexpr size_t MAX_LISTED = 8;

    //! With leaveOutToldFiles, a file that cannot be loaded and that the load already told
    //! the person about in a "Could not load" message of its own is not listed again.
    explicit LoadProblemList(bool leaveOutToldFiles = false);

    //! What the load is to report to.
    ParseListener* Listener() { return &collector_; }
    //! One "FILE:LINE: REASON" line each, cut short after MAX_LISTED lines.
    std::string Text() const;
    bool Empty() const { return lines_.empty(); }

  private:
    class Collector : public LoadProblemListener {
      public:
        explicit Collector(LoadProblemList& list);
        void FileNotLoaded(const String& file, int32_t line, const String& what, const String& name,
                           const String& reason) override;
        void UserMessage(const String& text) override;

      private:
        LoadProblemList& list_;
        // The line of the file last reported as not loaded, until its message arrives.
        std::optional<size_t> lastFileLine_;
    };

    bool leaveOutToldFiles_;
    std::vector<std::string> lines_;
    Collector collector_{*this};
};

}  // namespace chordlane
