#include "app/Settings.h"

#include <limits>

#include "elements/Instrument.h"

namespace chordlane {

namespace {

constexpr char16_t CLASS_NAME[] = u"Chordlane";
constexpr char16_t PROGRAM_FILE[] = u"Chordlane.exe";
const String DEFAULT_VALUE;  // the key's unnamed value
// The stored system volume that stands for a volume scale of 50: (50 + 40) * 0x1111111.
constexpr uint32_t MIDDLE_SYSTEM_VOLUME = 0x5FFFFFFA;

std::unique_ptr<SettingsKey> OpenKey(SettingsStore* store, SettingsRoot root,
                                     const String& keyPath) {
    return store ? store->CreateKey(root, keyPath) : nullptr;
}

void WriteDefaultString(SettingsStore* store, const String& keyPath, const String& text) {
    if (auto key = OpenKey(store, SettingsRoot::ClassesRoot, keyPath)) {
        key->WriteString(DEFAULT_VALUE, text);
    }
}

constexpr char16_t MIDI_ON_VALUE[] = u"Output";
constexpr char16_t MIDI_OWN_SOUND_VALUE[] = u"OwnSound";

}  // namespace

String ReadInstallSetting(SettingsStore* store, const String& valueName) {
    return ReadSettingString(store, SettingsRoot::LocalMachine, INSTALL_KEY, valueName);
}

void ProvideSystemVolume(SettingsStore* store) {
    auto key = OpenKey(store, SettingsRoot::CurrentUser, VOLUME_KEY);
    if (key && !key->ReadNumber(VOLUME_VALUE)) key->WriteNumber(VOLUME_VALUE, MIDDLE_SYSTEM_VOLUME);
}

void RegisterFileTypes(SettingsStore* store, const String& folder) {
    for (const String extension : {u".clx", u".cly"}) {
        auto key = OpenKey(store, SettingsRoot::ClassesRoot, extension);
        if (!key) continue;
        // Any length is read here: a long class name is still a class name to keep.
        const std::optional<String> current =
            key->ReadString(DEFAULT_VALUE, std::numeric_limits<size_t>::max());
        if (!current || current->empty() || current->front() == u'\0') {
            key->WriteString(DEFAULT_VALUE, CLASS_NAME);
        }
    }
    // The texts are written whole, however long the program folder is: a path cut short
    // would point the association at a file that does not exist.
    WriteDefaultString(store, u"Chordlane\\DefaultIcon", folder + PROGRAM_FILE + u",0");
    WriteDefaultString(store, u"Chordlane\\Shell\\Open\\Command",
                       u"\"" + folder + PROGRAM_FILE + u"\" %1");
}

MidiOutChoice ReadMidiOutChoice(SettingsStore* store) {
    MidiOutChoice choice;
    if (auto key = OpenKey(store, SettingsRoot::CurrentUser, MIDI_KEY)) {
        if (auto on = key->ReadNumber(MIDI_ON_VALUE)) choice.on = *on != 0;
        if (auto own = key->ReadNumber(MIDI_OWN_SOUND_VALUE)) choice.ownSound = *own != 0;
    }
    return choice;
}

void WriteMidiOutChoice(SettingsStore* store, const MidiOutChoice& choice) {
    if (auto key = OpenKey(store, SettingsRoot::CurrentUser, MIDI_KEY)) {
        key->WriteNumber(MIDI_ON_VALUE, choice.on ? 1 : 0);
        key->WriteNumber(MIDI_OWN_SOUND_VALUE, choice.ownSound ? 1 : 0);
    }
}

}  // namespace chordlane
