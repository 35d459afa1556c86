#pragma once
// What every fuzz target shares: the headless services with the files in memory, an
// instrument as the program has it after its start-up, and the splitting of one fuzz input
// into several files.

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "app/MessageBoxReporter.h"
#include "elements/Instrument.h"
#include "platform/headless/HeadlessPlatform.h"
#include "platform/headless/MemoryFileSystem.h"

namespace chordlane::fuzz {

// Where the environment puts the files: instrument files name their neighbours relative to
// these, as they do on a real installation.
inline constexpr std::u16string_view HOME = u"/home/";
inline constexpr std::u16string_view PROGRAM = u"/program/";

// A small wave file and a small bitmap, served for any name under the program folder that no
// input file provides, so that the shipped instruments load their sounds and pictures without
// the corpus carrying them (and without each run shifting a long recording).
class StockFileSystem : public MemoryFileSystem {
  public:
    std::unique_ptr<File> Open(const String& path, FileMode mode) override;
};

//! A 16-bit mono recording of two periods of a tone at 220 Hz, as a whole wave file: long
//! enough to be pitch-shifted, short enough that the copies cost next to nothing.
std::vector<uint8_t> StockWave();
//! A 4 x 4 bitmap file of 24 bits.
std::vector<uint8_t> StockBitmap();

// The headless services with the files in memory, and an instrument on them as the program
// has it after its start-up, with nothing loaded. Every input gets one of its own: the
// services write down everything they are asked, and an instrument keeps what a load left,
// so one shared across inputs would grow without bound and make a crash depend on the inputs
// before it.
class FuzzEnvironment {
  public:
    FuzzEnvironment();
    //! Unloads the instrument as the program does before it goes.
    ~FuzzEnvironment();
    FuzzEnvironment(const FuzzEnvironment&) = delete;
    FuzzEnvironment& operator=(const FuzzEnvironment&) = delete;

    HeadlessPlatform platform;
    StockFileSystem* files = nullptr;  // owned by platform
    Instrument instrument{platform.services};

  private:
    // Shows the messages meant for the user in the headless message box, as the program does.
    MessageBoxReporter reporter_{instrument};
};

// One file or answer of a load input. An input is the main instrument file, then sections,
// each starting on a line of its own:
//   "@@ NAME" the lines after it (up to the next section) are the file NAME in the home
//             folder (an absolute NAME stands where it says);
//   "@@?PATH" the next file dialog is answered with PATH;
//   "@@!"     the next file dialog is cancelled.
struct Section {
    enum class Kind { File, Answer, Cancel };
    Kind kind = Kind::File;
    std::string name;
    std::string_view bytes;
};

//! The main file's bytes (first) and the sections of the input, in order.
std::vector<Section> SplitInput(std::string_view input);

}  // namespace chordlane::fuzz
