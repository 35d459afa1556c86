#pragma once
// The few values the program keeps in the platform's settings store: the home folder the
// installation records, the system volume, and the association of instrument files with
// the program. Every operation opens one key (creating it when missing, also for reads),
// does one thing with one value and closes the key; failures are silent.

#include <cstdint>

#include "platform/SettingsStore.h"
#include "platform/Types.h"

namespace chordlane {

// The longest string value read, in bytes: 383 characters and the terminator.
inline constexpr size_t SETTING_STRING_BYTES = 768;

inline constexpr char16_t INSTALL_KEY[] = u"SOFTWARE\\Larkspur Labs\\Chordlane\\Install";
inline constexpr char16_t VOLUME_KEY[] = u"ControlPanel\\Volume";
inline constexpr char16_t VOLUME_VALUE[] = u"Volume";
inline constexpr char16_t HOME_VALUE[] = u"Home";

//! The string value, or empty when it is missing, does not fit or cannot be read.
String ReadSettingString(SettingsRoot root, const String& keyPath, const String& valueName);
//! The 32-bit number value, or 0.
uint32_t ReadSettingNumber(SettingsRoot root, const String& keyPath, const String& valueName);
void WriteSettingNumber(SettingsRoot root, const String& keyPath, const String& valueName,
                        uint32_t number);
//! A value of the installation's key under the local machine.
String ReadInstallSetting(const String& valueName);
//! Stores the middle of the volume scale as the system volume unless one is stored already.
//! The device always had a system volume; a fresh settings store has none, and reading it as
//! 0 on activation would play every instrument at a fifth of its loudness.
void ProvideSystemVolume();
//! Associates .clx and .cly with the program (an extension that already names another
//! class keeps it) and points the class's icon and open command at the program folder.
void RegisterFileTypes();

}  // namespace chordlane
