#pragma once
// The program's own listener of an instrument: shows every message meant for the user in the
// platform's message box (the stop icon, brought to the front), after the event log, when
// there is one, has noted it. Whoever owns an instrument adds one of these to its listeners.
// "Could not load: NAME" alone leaves the person guessing which line named the file, so the
// box adds where it was named, as chordlane-tool check says it; the event log keeps the text.

#include "language/ParseListener.h"

namespace chordlane {

class Instrument;

class MessageBoxReporter : public ParseListener {
  public:
    //! Adds itself to the instrument's listeners until it is destroyed.
    explicit MessageBoxReporter(Instrument& instrument);
    ~MessageBoxReporter() override;
    MessageBoxReporter(const MessageBoxReporter&) = delete;
    MessageBoxReporter& operator=(const MessageBoxReporter&) = delete;

    void FileNotLoaded(const String& file, int32_t line, const String& what, const String& name,
                       const String& reason) override;
    void UserMessage(const String& text) override;

    //! text with the place that named the file after it, when text is the "Could not load"
    //! message of that file (also when cut short); otherwise text as it is.
    static String WithPlace(const String& text, const String& name, const String& file,
                            int32_t line);

  private:
    Instrument& instrument_;
    // The file last reported as not loaded, until the message about it arrives.
    String lastName_;
    String lastFile_;
    int32_t lastLine_ = 0;
};

}  // namespace chordlane
