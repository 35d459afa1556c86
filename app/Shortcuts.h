#pragma once
// The program's shortcut keys, by virtual key code, shared by the window (which makes its
// key bindings from them) and the tool's scripts (which decide with them key by key), so that
// a script and the program agree on which keys run a command and which reach the instrument.

#include <cstdint>
#include <span>

namespace chordlane {

// Modifier bits of a shortcut.
inline constexpr uint32_t SHORTCUT_SHIFT = 1;
inline constexpr uint32_t SHORTCUT_CONTROL = 2;
inline constexpr uint32_t SHORTCUT_ALT = 4;

// What a shortcut does. The ones without a handler still keep their keys from the instrument.
enum class ShortcutCommand {
    Open,
    Help,
    Exit,
    FullScreen,
    New,
    Save,
    Undo,
    Cut,
    Copy,
    Paste,
    NextPane,
    PreviousPane,
    Record,
};

struct Shortcut {
    uint32_t keyCode;    // the virtual key code of the key that completes it
    uint32_t modifiers;  // SHORTCUT_* bits held with it, exactly
    ShortcutCommand command;
};

//! Every shortcut of the program.
std::span<const Shortcut> Shortcuts();
//! The shortcut that a press of keyCode completes with modifiers held, or null.
const Shortcut* FindShortcut(uint32_t keyCode, uint32_t modifiers);

// Which modifiers are held, as seen from key presses and releases, for deciding shortcuts.
// It can be told the real state afresh: a release that went to a dialog never arrives here.
class ShortcutKeys {
  public:
    //! A key goes down: the shortcut it completes, or null when the key is the instrument's.
    const Shortcut* Press(uint32_t keyCode);
    void Release(uint32_t keyCode);
    //! The modifiers held now, as SHORTCUT_* bits.
    void Reset(uint32_t modifiers) { modifiers_ = modifiers; }
    uint32_t Modifiers() const { return modifiers_; }

  private:
    uint32_t modifiers_ = 0;
};

}  // namespace chordlane
