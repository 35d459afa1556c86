#pragma once
// The program's own listener of an instrument: shows every message meant for the user in the
// platform's message box (the stop icon, brought to the front), after the event log, when
// there is one, has noted it. Whoever owns an instrument adds one of these to its listeners.

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

    void UserMessage(const String& text) override;

  private:
    Instrument& instrument_;
};

}  // namespace chordlane
