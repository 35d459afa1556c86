#include "language/Writer.h"

#include "language/Include.h"
#include "language/LoadState.h"
#include "platform/Platform.h"
#include "platform/Text.h"

namespace chordlane {

String SavedFileName(const String& chosen) {
    // Any dot counts, also one in a folder name: such a name is taken as the user wrote it.
    if (chosen.find(u'.') != String::npos) return chosen;
    return chosen + u".cly";
}

std::string SavedInstrumentText(const LoadState& load) {
    const String& path = load.currentPath;
    // A path holding a double quote would end the quoted token early when read back; the
    // reader takes single quotes as well, so those are used for such a path.
    const char16_t quote =
        path.find(u'"') != String::npos && path.find(u'\'') == String::npos ? u'\'' : u'"';
    String text = u"cl1.0\n";
    text += u"i ";
    text += quote;
    text += path;
    text += quote;
    text += u"\n";
    text += load.answersLog;
    return ToUtf8(text);
}

bool SaveInstrumentAs(const LoadState& load) {
    const std::optional<String> chosen =
        ChooseFile(load, u"Save an Instrument", u"Chordlane Instrument (*.cly)|*.cly||", false);
    if (!chosen) return false;
    FileSystem* files = load.platform.files;
    if (!files) return false;
    const String path = SavedFileName(*chosen);
    // Written whole or not at all: a file the person already had is never left half-written.
    const std::string reason = files->ReplaceWhole(path, SavedInstrumentText(load));
    if (reason.empty()) return true;
    if (MessageBox* messages = load.platform.messages)
        messages->ShowStop(SaveFailedMessage(path, reason));
    return false;
}

String SaveFailedMessage(const String& path, const std::string& reason) {
    return u"Could not save " + path + u":\n" + FromUtf8(reason) + u"\n";
}

}  // namespace chordlane
