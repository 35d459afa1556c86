#include "platform/Platform.h"

namespace chordlane {

namespace {
Platform g_platform;
}

Platform& CurrentPlatform() { return g_platform; }

Platform InstallPlatform(const Platform& platform) {
    Platform previous = g_platform;
    g_platform = platform;
    return previous;
}

}  // namespace chordlane
