#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>

#include "platform/Types.h"

namespace chordlane {

enum class SettingsRoot { LocalMachine, CurrentUser, ClassesRoot };

// One open key of the settings store; closed when destroyed. An empty value name is the
// key's default value.
class SettingsKey {
  public:
    virtual ~SettingsKey() = default;
    //! The string value, or nothing when it is missing or does not fit maxBytes (16-bit
    //! characters and the terminator counted as 2 bytes each).
    virtual std::optional<String> ReadString(const String& name, size_t maxBytes) = 0;
    //! The 32-bit number value, or nothing when it is missing.
    virtual std::optional<uint32_t> ReadNumber(const String& name) = 0;
    //! Stores a string value; answers success.
    virtual bool WriteString(const String& name, const String& value) = 0;
    //! Stores a 32-bit number value; answers success.
    virtual bool WriteNumber(const String& name, uint32_t value) = 0;
};

// The hierarchical settings store: roots, keys named by backslash-separated paths.
class SettingsStore {
  public:
    virtual ~SettingsStore() = default;
    //! Opens the key, creating it when it does not exist; null when that fails.
    virtual std::unique_ptr<SettingsKey> CreateKey(SettingsRoot root, const String& path) = 0;
};

// The longest string value read, in bytes: 383 characters and the terminator.
inline constexpr size_t SETTING_STRING_BYTES = 768;

// Each of these opens one key (creating it when missing, also for reads), does one thing
// with one value and closes the key; a null store or any failure is silent.

//! The string value, or empty when it is missing, does not fit or cannot be read.
String ReadSettingString(SettingsStore* store, SettingsRoot root, const String& keyPath,
                         const String& valueName);
//! The 32-bit number value, or 0.
uint32_t ReadSettingNumber(SettingsStore* store, SettingsRoot root, const String& keyPath,
                           const String& valueName);
void WriteSettingNumber(SettingsStore* store, SettingsRoot root, const String& keyPath,
                        const String& valueName, uint32_t number);

}  // namespace chordlane
