#include "app/MessageBoxReporter.h"

#include <iterator>
#include <string>

#include "elements/EventTrace.h"
#include "elements/Instrument.h"
#include "platform/Text.h"

namespace chordlane {

MessageBoxReporter::MessageBoxReporter(Instrument& instrument) : instrument_(instrument) {
    instrument_.listeners.Add(this);
}

MessageBoxReporter::~MessageBoxReporter() { instrument_.listeners.Remove(this); }

void MessageBoxReporter::FileNotLoaded(const String& file, int32_t line, const String&,
                                       const String& name, const String&) {
    lastName_ = name;
    lastFile_ = file;
    lastLine_ = line;
}

String MessageBoxReporter::WithPlace(const String& text, const String& name, const String& file,
                                     int32_t line) {
    const String full = String(COULD_NOT_LOAD) + name + u"\n";
    const bool aboutName =
        text.size() > std::size(COULD_NOT_LOAD) - 1 && full.compare(0, text.size(), text) == 0;
    if (!aboutName || file.empty()) return text;
    String shown = text;
    if (shown.back() == u'\n') shown.pop_back();
    // On the same line, as FILE:LINE like chordlane-tool check: the tool prints each message
    // as one line.
    return shown + u" (" + file + u":" + FromUtf8(std::to_string(line)) + u")\n";
}

void MessageBoxReporter::UserMessage(const String& text) {
    if (EventTrace* trace = instrument_.trace) trace->Message(text);
    const String shown = WithPlace(text, lastName_, lastFile_, lastLine_);
    lastName_.clear();
    lastFile_.clear();
    if (MessageBox* messages = instrument_.platform.messages) messages->ShowStop(shown);
}

}  // namespace chordlane
