#include "app/Settings.h"

#include <limits>

#include "app/AppState.h"
#include "platform/Platform.h"

namespace chordlane {

namespace {

constexpr char16_t CLASS_NAME[] = u"Chordlane";
constexpr char16_t PROGRAM_FILE[] = u"Chordlane.exe";
const String DEFAULT_VALUE;  // the key's unnamed value
// The stored system volume that stands for a volume scale of 50: (50 + 40) * 0x1111111.
constexpr uint32_t MIDDLE_SYSTEM_VOLUME = 0x5FFFFFFA;

std::unique_ptr<SettingsKey> OpenKey(SettingsRoot root, const String& keyPath) {
    SettingsStore* store = CurrentPlatform().settings;
    return store ? store->CreateKey(root, keyPath) : nullptr;
}

void WriteDefaultString(const String& keyPath, const String& text) {
    if (auto key = OpenKey(SettingsRoot::ClassesRoot, keyPath)) {
        key->WriteString(DEFAULT_VALUE, text);
    }
}

}  // namespace

String ReadSettingString(SettingsRoot root, const String& keyPath, const String& valueName) {
    auto key = OpenKey(root, keyPath);
    if (!key) return String();
    std::optional<String> text = key->ReadString(valueName, SETTING_STRING_BYTES);
    if (!text) return String();
    // The value is read into a zeroed buffer of 384 characters: text past a zero character,
    // or beyond the buffer, is never seen.
    const size_t zero = text->find(u'\0');
    if (zero != String::npos) text->resize(zero);
    if (text->size() > SETTING_STRING_BYTES / 2 - 1) return String();
    return *text;
}

uint32_t ReadSettingNumber(SettingsRoot root, const String& keyPath, const String& valueName) {
    auto key = OpenKey(root, keyPath);
    if (!key) return 0;
    return key->ReadNumber(valueName).value_or(0);
}

void WriteSettingNumber(SettingsRoot root, const String& keyPath, const String& valueName,
                        uint32_t number) {
    if (auto key = OpenKey(root, keyPath)) key->WriteNumber(valueName, number);
}

String ReadInstallSetting(const String& valueName) {
    return ReadSettingString(SettingsRoot::LocalMachine, INSTALL_KEY, valueName);
}

void ProvideSystemVolume() {
    auto key = OpenKey(SettingsRoot::CurrentUser, VOLUME_KEY);
    if (key && !key->ReadNumber(VOLUME_VALUE)) key->WriteNumber(VOLUME_VALUE, MIDDLE_SYSTEM_VOLUME);
}

void RegisterFileTypes() {
    for (const String extension : {u".clx", u".cly"}) {
        auto key = OpenKey(SettingsRoot::ClassesRoot, extension);
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
    const String& folder = App().programFolder;
    WriteDefaultString(u"Chordlane\\DefaultIcon", folder + PROGRAM_FILE + u",0");
    WriteDefaultString(u"Chordlane\\Shell\\Open\\Command",
                       u"\"" + folder + PROGRAM_FILE + u"\" %1");
}

}  // namespace chordlane
