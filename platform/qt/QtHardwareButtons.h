#pragma once
#include <functional>
#include <map>

#include "platform/HardwareButtons.h"

namespace chordlane {

// Hardware buttons on Linux: there is no shell function that would give the device's
// application buttons to the program, so the buttons are never taken over. Hot keys that are
// registered anyway are kept, and Raise delivers their presses to the frame's handler.
class QtHardwareButtons : public HardwareButtons {
public:
    using HotKeyHandler = std::function<void(int32_t id)>;

    bool HasShellKeyRelease() override { return false; }
    void ReleaseShellKey(uint32_t, uint32_t) override {}
    bool RegisterHotKey(int32_t id, uint32_t modifiers, uint32_t keyCode) override;
    void UnregisterHotKey(int32_t id) override;

    void SetHotKeyHandler(HotKeyHandler handler) { handler_ = std::move(handler); }
    bool IsRegistered(int32_t id) const { return hotKeys_.count(id) != 0; }
    //! A press of the hot key id: reaches the handler only while the key is registered.
    bool Raise(int32_t id);

private:
    struct HotKey {
        uint32_t modifiers = 0;
        uint32_t keyCode = 0;
    };
    std::map<int32_t, HotKey> hotKeys_;
    HotKeyHandler handler_;
};

}  // namespace chordlane
