#pragma once
// One directive line as read: what it asks for and the fields it gives, checked against what
// its kind needs, with where it stands. The parser reads them; a DirectiveListener acts on
// them.

#include <cstdint>
#include <string_view>

#include "platform/Types.h"

namespace chordlane {

enum class DirectiveKind : uint8_t {
    Ellipse,        // ge NAME X Y W H
    Rectangle,      // gr NAME X Y W H
    Image,          // gi NAME FILE X Y W H
    Text,           // gt NAME TEXT X Y W H
    EllipseButton,  // be NAME X Y W H
    RectButton,     // br NAME X Y W H
    HiddenButton,   // bh NAME
    Voice,          // v NAME
    Sound,          // s NAME [*] FILE FREQ LOW HIGH
    Block,          // { NAME
    Panel,          // [ NAME X Y W H
    Stop,           // < NAME
    Play,           // > NAME [VALUE]
    SetFlag,        // =b TARGET.PROP [VALUE]
    SetInt,         // =i TARGET.PROP VALUE, or +STEP [RESTART [LIMIT]]
    SetRect,        // =r TARGET.PROP X Y W H
    SetString,      // =s TARGET.PROP VALUE
    // What the parser keeps to itself: the structure of levels and the design size.
    BlockEnd,    // }
    PanelEnd,    // ]
    DesignSize,  // d [W [H]]
    Include,     // i FILE
};

// X Y W H as written, in the design size of the line's level.
struct RectFields {
    int32_t x = 0;
    int32_t y = 0;
    int32_t w = 0;
    int32_t h = 0;
    bool operator==(const RectFields&) const = default;
};

// The fields a kind does not have keep their defaults.
struct Directive {
    DirectiveKind kind = DirectiveKind::Voice;
    // As written ("ge", "=s"): what the reason of a skipped line starts with.
    std::u16string_view keyword;
    String file;       // where the file was found
    int32_t line = 0;  // the physical line; a file's header is line 1
    // The design size of the line's level ('d'); 0 stands for the screen's.
    int32_t designWidth = 0;
    int32_t designHeight = 0;

    String name;                 // NAME; TARGET of the '=' kinds, "!" when the line gives none
    String property;             // PROP of the '=' kinds
    String text;                 // FILE of gi and s, TEXT of gt, VALUE of =s
    RectFields rect;             // the kinds with X Y W H
    float frequency = 0;         // FREQ of s
    int32_t low = 0;             // LOW of s, as written
    int32_t high = 0;            // HIGH of s
    int32_t value = NO_VALUE;    // VALUE of > and =i; the STEP when step is set
    int32_t restart = NO_VALUE;  // RESTART of =i +STEP
    int32_t limit = NO_VALUE;    // LIMIT of =i +STEP
    bool quiet = false;          // s with '*' before its FILE
    bool flag = false;           // the value of =b: false only for a word beginning with 'f'
    bool step = false;           // =i +STEP, or =s with a "+N" VALUE (value then holds N)
    bool quoted = false;         // =s VALUE written in double quotes
    bool closed = false;         // { NAME } on one line: the block holds nothing
};

}  // namespace chordlane
