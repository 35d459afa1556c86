#include "app/Shortcuts.h"

namespace chordlane {

namespace {

constexpr uint32_t VK_BACK = 8;
constexpr uint32_t VK_SHIFT = 16;
constexpr uint32_t VK_CONTROL = 17;
constexpr uint32_t VK_MENU = 18;
constexpr uint32_t VK_INSERT = 45;
constexpr uint32_t VK_DELETE = 46;
constexpr uint32_t VK_F1 = 112;
constexpr uint32_t VK_F6 = 117;
constexpr uint32_t VK_F11 = 122;

constexpr uint32_t Letter(char c) { return static_cast<uint32_t>(c); }

constexpr Shortcut TABLE[] = {
    {Letter('O'), SHORTCUT_CONTROL, ShortcutCommand::Open},
    {VK_F1, 0, ShortcutCommand::Help},
    {Letter('Q'), SHORTCUT_CONTROL, ShortcutCommand::Exit},
    {VK_F11, 0, ShortcutCommand::FullScreen},
    {Letter('N'), SHORTCUT_CONTROL, ShortcutCommand::New},
    {Letter('S'), SHORTCUT_CONTROL, ShortcutCommand::Save},
    {Letter('Z'), SHORTCUT_CONTROL, ShortcutCommand::Undo},
    {VK_BACK, SHORTCUT_ALT, ShortcutCommand::Undo},
    {Letter('X'), SHORTCUT_CONTROL, ShortcutCommand::Cut},
    {VK_DELETE, SHORTCUT_SHIFT, ShortcutCommand::Cut},
    {Letter('C'), SHORTCUT_CONTROL, ShortcutCommand::Copy},
    {VK_INSERT, SHORTCUT_CONTROL, ShortcutCommand::Copy},
    {Letter('V'), SHORTCUT_CONTROL, ShortcutCommand::Paste},
    {VK_INSERT, SHORTCUT_SHIFT, ShortcutCommand::Paste},
    {VK_F6, 0, ShortcutCommand::NextPane},
    {VK_F6, SHORTCUT_SHIFT, ShortcutCommand::PreviousPane},
    {Letter('R'), SHORTCUT_CONTROL, ShortcutCommand::Record},
};

uint32_t ModifierBit(uint32_t keyCode) {
    switch (keyCode) {
        case VK_SHIFT:
            return SHORTCUT_SHIFT;
        case VK_CONTROL:
            return SHORTCUT_CONTROL;
        case VK_MENU:
            return SHORTCUT_ALT;
        default:
            return 0;
    }
}

}  // namespace

std::span<const Shortcut> Shortcuts() { return TABLE; }

const Shortcut* FindShortcut(uint32_t keyCode, uint32_t modifiers) {
    for (const Shortcut& shortcut : TABLE) {
        if (shortcut.keyCode == keyCode && shortcut.modifiers == modifiers) return &shortcut;
    }
    return nullptr;
}

const Shortcut* ShortcutKeys::Press(uint32_t keyCode) {
    if (const uint32_t bit = ModifierBit(keyCode)) {
        modifiers_ |= bit;
        return nullptr;
    }
    return FindShortcut(keyCode, modifiers_);
}

void ShortcutKeys::Release(uint32_t keyCode) { modifiers_ &= ~ModifierBit(keyCode); }

}  // namespace chordlane
