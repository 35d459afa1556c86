#pragma once
#include <memory>

#include "platform/Platform.h"
#include "platform/headless/HeadlessHardwareButtons.h"
#include "platform/headless/HeadlessWindow.h"
#include "platform/headless/MemorySettings.h"
#include "platform/headless/RecordedMessages.h"
#include "platform/headless/ScriptedDialogs.h"
#include "platform/headless/VirtualClock.h"
#include "platform/headless/VirtualWaveOutput.h"

namespace chordlane {

// Help requests written down instead of opening a viewer.
class RecordedHelp : public HelpViewer {
  public:
    bool Open(const String& document) override {
        opened_.push_back(document);
        return true;
    }
    const std::vector<String>& Opened() const { return opened_; }

  private:
    std::vector<String> opened_;
};

// Every headless service in one place, and the set of them (services) to hand to an
// instrument. A test may replace a service in the set; Restore puts this object's back.
class HeadlessPlatform {
  public:
    // Makes the wave output, which plays on the platform's clock.
    using WaveOutputMaker = std::unique_ptr<WaveOutput> (*)(Clock& clock);

    //! makeWaveOut makes the wave output: by default one that plays in virtual time.
    explicit HeadlessPlatform(WaveOutputMaker makeWaveOut = MakeVirtualWaveOutput);
    ~HeadlessPlatform();
    HeadlessPlatform(const HeadlessPlatform&) = delete;
    HeadlessPlatform& operator=(const HeadlessPlatform&) = delete;

    //! Points services at this object's own services again.
    void Restore();

    VirtualClock clock;
    MemorySettings settings;
    ScriptedDialogs dialogs;
    RecordedMessages messages;
    RecordedHelp help;
    HeadlessWindow window;
    HeadlessHardwareButtons buttons;
    std::unique_ptr<FileSystem> files;        // the real file system
    std::unique_ptr<PictureLoader> pictures;  // reads bitmap headers only, from files
    std::unique_ptr<WaveOutput> waveOut;      // plays in virtual time
    Platform services;
};

// Factories of the services above that live in files of their own.
std::unique_ptr<FileSystem> MakeStdFileSystem();
std::unique_ptr<PictureLoader> MakeHeadlessPictureLoader(FileSystem& files);

}  // namespace chordlane
