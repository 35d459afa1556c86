#pragma once
// Save As: a short instrument file that includes the file the current instrument was loaded
// from and carries the answers of the prompts confirmed while loading it, so that opening it
// rebuilds the same instrument without asking again.

#include <string>

#include "platform/Types.h"

namespace chordlane {

struct LoadState;

//! Asks for a file name and writes the current instrument there; answers whether it was
//! written. When it cannot be written a message box says where and why, and a file that was
//! there stays as it was.
bool SaveInstrumentAs(const LoadState& load);

//! The message box text of a Save As that failed for reason.
String SaveFailedMessage(const String& path, const std::string& reason);

//! The content SaveInstrumentAs writes, in UTF-8.
std::string SavedInstrumentText(const LoadState& load);

//! The chosen name with ".cly" appended when it holds no '.' anywhere.
String SavedFileName(const String& chosen);

}  // namespace chordlane
