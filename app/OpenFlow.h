#pragma once
// Loading an instrument: the one way an instrument gets loaded, from File -> Open, from the
// command line at start-up, from the first tap on the start-up screen, and in chordlane-tool.

#include <optional>

#include "platform/Types.h"

namespace chordlane {

class Instrument;
class ParseListener;

struct OpenResult {
    enum class Outcome {
        Cancelled,  // no file was chosen: the old instrument stays
        Loaded,     // loaded (possibly empty, when the file was not found)
        Aborted,    // abandoned in a file prompt: nothing is loaded
    };
    Outcome outcome = Outcome::Cancelled;
    bool found = false;       // the file search found the file ("!" is always found)
    double parseMs = 0.0;     // wall-clock time of reading the files
    double activateMs = 0.0;  // wall-clock time of activation and "init"
};

//! Loads the instrument at path, or at a path chosen in the Open dialog when none is given.
//! The listener, when given, learns every skipped line and every file that cannot be found
//! or loaded.
OpenResult OpenInstrument(Instrument& instrument, const std::optional<String>& path,
                          ParseListener* listener = nullptr);

//! Where the Open dialog starts: the folder of the loaded instrument, else the program
//! folder, which holds the sample instruments.
String OpenDialogFolder(const Instrument& instrument);

//! Silences and deletes the current instrument and creates an empty root panel.
void UnloadInstrument(Instrument& instrument);

}  // namespace chordlane
