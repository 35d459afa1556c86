#include "app/MessageBoxReporter.h"

#include "elements/EventTrace.h"
#include "elements/Instrument.h"

namespace chordlane {

MessageBoxReporter::MessageBoxReporter(Instrument& instrument) : instrument_(instrument) {
    instrument_.listeners.Add(this);
}

MessageBoxReporter::~MessageBoxReporter() { instrument_.listeners.Remove(this); }

void MessageBoxReporter::UserMessage(const String& text) {
    if (EventTrace* trace = instrument_.trace) trace->Message(text);
    if (MessageBox* messages = instrument_.platform.messages) messages->ShowStop(text);
}

}  // namespace chordlane
