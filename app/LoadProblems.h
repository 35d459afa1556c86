#pragma once
// The problems of one load as "FILE:LINE: REASON" lines: the form chordlane-tool check prints
// and the reload message lists, so an author finds the line whichever told it.

#include <cstdint>
#include <functional>
#include <string>

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

}  // namespace chordlane
