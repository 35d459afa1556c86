#pragma once
// Qt key events as the instrument knows keys: by the virtual key code of the key pressed,
// whatever character the layout and the modifiers make of it.

#include <Qt>
#include <cstdint>

namespace chordlane {

// Virtual key codes the program's key events are defined on.
inline constexpr uint32_t VK_BACK = 8;
inline constexpr uint32_t VK_TAB = 9;
inline constexpr uint32_t VK_RETURN = 13;
inline constexpr uint32_t VK_SHIFT = 16;
inline constexpr uint32_t VK_CONTROL = 17;
inline constexpr uint32_t VK_MENU = 18;
inline constexpr uint32_t VK_ESCAPE = 27;
inline constexpr uint32_t VK_SPACE = 32;
inline constexpr uint32_t VK_LEFT = 37;
inline constexpr uint32_t VK_UP = 38;
inline constexpr uint32_t VK_RIGHT = 39;
inline constexpr uint32_t VK_DOWN = 40;
inline constexpr uint32_t VK_NUMPAD0 = 96;
inline constexpr uint32_t VK_F1 = 112;

//! The virtual key code for a Qt key; 0 for keys the program has no code for.
uint32_t VirtualKeyCode(int qtKey, Qt::KeyboardModifiers modifiers);

}  // namespace chordlane
