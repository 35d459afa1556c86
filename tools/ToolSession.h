#pragma once
// The engine as chordlane-tool runs it: the headless services and an instrument as the
// program has it after its start-up ("vM" 50, "sp" 30, both options on, nothing loaded),
// with the COMMON options applied.

#include "app/MessageBoxReporter.h"
#include "elements/Instrument.h"
#include "platform/headless/HeadlessPlatform.h"
#include "tools/ToolOptions.h"

namespace chordlane::tool {

class ToolSession {
  public:
    explicit ToolSession(const CommonOptions& options);
    ~ToolSession();
    ToolSession(const ToolSession&) = delete;
    ToolSession& operator=(const ToolSession&) = delete;

    HeadlessPlatform& Platform() { return platform_; }
    Instrument& GetInstrument() { return instrument_; }
    //! Reads and writes through files from now on, for as long as the session lives.
    void UseFiles(std::unique_ptr<FileSystem> files);

  private:
    HeadlessPlatform platform_;
    std::unique_ptr<FileSystem> files_;  // declared before the instrument, which reads it
    Instrument instrument_{platform_.services};
    MessageBoxReporter messages_{instrument_};
};

// Replaces one service of a set for as long as it lives, then puts the previous one back.
template <typename Service>
class ScopedService {
  public:
    ScopedService(Service*& slot, Service* replacement) : slot_(slot), previous_(slot) {
        slot_ = replacement;
    }
    ~ScopedService() { slot_ = previous_; }
    ScopedService(const ScopedService&) = delete;
    ScopedService& operator=(const ScopedService&) = delete;

  private:
    Service*& slot_;
    Service* previous_;
};

//! The folder of the running executable, ending with '/'.
String ExecutableFolder();
//! The program folder: the installed data folder beside the executable's installation,
//! else the one the build fills, else the executable's own folder.
String ToolProgramFolder();
//! The user's documents folder with a '/' at its end, the program's home folder default.
String DocumentsFolder();

}  // namespace chordlane::tool
