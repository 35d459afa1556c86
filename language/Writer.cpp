#include "language/Writer.h"

#include "elements/Instrument.h"
#include "language/Include.h"
#include "platform/Platform.h"
#include "platform/Text.h"

namespace chordlane {

String SavedFileName(const String& chosen) {
    // Any dot counts, also one in a folder name: such a name is taken as the user wrote it.
    if (chosen.find(u'.') != String::npos) return chosen;
    return chosen + u".cly";
}

std::string SavedInstrumentText(const Instrument& instrument) {
    const String& path = instrument.currentPath;
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
    text += instrument.answersLog;
    return ToUtf8(text);
}

bool SaveInstrumentAs(const Instrument& instrument) {
    const std::optional<String> chosen = ChooseFile(instrument, u"Save an Instrument",
                                                    u"Chordlane Instrument (*.cly)|*.cly||", false);
    if (!chosen) return false;
    FileSystem* files = instrument.platform.files;
    if (!files) return false;
    std::unique_ptr<File> file = files->Open(SavedFileName(*chosen), FileMode::Write);
    if (!file) return false;
    const std::string text = SavedInstrumentText(instrument);
    // Write errors are not reported: the file is as complete as the disk allowed.
    file->Write(text.data(), text.size());
    return true;
}

}  // namespace chordlane
