#pragma once
// The program's 16-bit text and QString hold the same UTF-16 code units.

#include <QString>

#include "platform/Types.h"

namespace chordlane {

inline QString ToQString(const String& text) {
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

inline String FromQString(const QString& text) {
    return String(reinterpret_cast<const char16_t*>(text.utf16()),
                  static_cast<size_t>(text.size()));
}

}  // namespace chordlane
