#pragma once
// The platform services the core reaches. The programs install the real ones, the tests
// and chordlane-tool the headless ones. None is owned here; a null service means the
// service is missing, and callers treat that as the service's failure result.

#include "platform/Clock.h"
#include "platform/FileDialogs.h"
#include "platform/FileSystem.h"
#include "platform/HardwareButtons.h"
#include "platform/HelpViewer.h"
#include "platform/MessageBox.h"
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
    Window* window = nullptr;
};

//! The services in force.
Platform& CurrentPlatform();
//! Installs services; answers the previous set so a caller can restore it.
Platform InstallPlatform(const Platform& platform);

}  // namespace chordlane
