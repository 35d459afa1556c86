#include "platform/SettingsStore.h"

namespace chordlane {

String ReadSettingString(SettingsStore* store, SettingsRoot root, const String& keyPath,
                         const String& valueName) {
    auto key = store ? store->CreateKey(root, keyPath) : nullptr;
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

uint32_t ReadSettingNumber(SettingsStore* store, SettingsRoot root, const String& keyPath,
                           const String& valueName) {
    auto key = store ? store->CreateKey(root, keyPath) : nullptr;
    if (!key) return 0;
    return key->ReadNumber(valueName).value_or(0);
}

void WriteSettingNumber(SettingsStore* store, SettingsRoot root, const String& keyPath,
                        const String& valueName, uint32_t number) {
    auto key = store ? store->CreateKey(root, keyPath) : nullptr;
    if (key) key->WriteNumber(valueName, number);
}

}  // namespace chordlane
