#pragma once
// The platform services the core reaches, as one set that whoever owns an instrument fills
// and hands to it: the programs the real ones, the tests and chordlane-tool the headless
// ones. None is owned here; a null service means the service is missing, and callers treat
// that as the service's failure result.

#include "platform/AudioRecorder.h"
#include "platform/Clock.h"
#include "platform/FileDialogs.h"
#include "platform/FileSystem.h"
#include "platform/HardwareButtons.h"
#include "platform/HelpViewer.h"
#include "platform/MessageBox.h"
#include "platform/RateConverter.h"
#include "platform/SettingsStore.h"
#include "platform/Surface.h"
#include "platform/WaveOutput.h"
#include "platform/Window.h"

namespace chordlane {

struct Platform {
    Clock* clock = nullptr;
    FileSystem* files = nullptr;
    SettingsStore* settings = nullptr;
    FileDialogs* dialogs = nullptr;
    MessageBox* messages = nullptr;
    HelpViewer* help = nullptr;
    HardwareButtons* buttons = nullptr;
    PictureLoader* pictures = nullptr;
    WaveOutput* waveOut = nullptr;
    // Without one, samples are played at their own rate and the output must take it.
    RateConverter* rates = nullptr;
    Window* window = nullptr;
    AudioRecorder* recorder = nullptr;  // records what the output plays
};

}  // namespace chordlane
