#pragma once
#include <cstdint>

namespace chordlane {

// The modifier the hardware buttons are registered with as hot keys (the Windows key).
inline constexpr uint32_t MOD_WIN = 8;

// Hot keys for the device's hardware buttons, and the platform function that takes a key
// away from the shell ("UnregisterFunc1" of "coredll.dll") so that the program may register
// it. On Linux the function does not exist.
class HardwareButtons {
  public:
    virtual ~HardwareButtons() = default;
    //! Whether the shell's key-release function can be obtained.
    virtual bool HasShellKeyRelease() = 0;
    //! Takes the key away from the shell (only when HasShellKeyRelease answered true).
    virtual void ReleaseShellKey(uint32_t modifiers, uint32_t keyCode) = 0;
    //! Registers a hot key for the main window; its presses reach the hot-key handler.
    virtual bool RegisterHotKey(int32_t id, uint32_t modifiers, uint32_t keyCode) = 0;
    virtual void UnregisterHotKey(int32_t id) = 0;
};

}  // namespace chordlane
