#pragma once
// The scripts of chordlane-tool render and play: stylus, touch points, keys, hardware buttons,
// window activation, menu commands and file-dialog answers, each at a point of the virtual clock.
// Scripts are read whole before anything runs, so a script with a bad line changes nothing.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/Shortcuts.h"
#include "platform/Types.h"

namespace chordlane {
class InstrumentView;
class ScriptedDialogs;
class VirtualClock;
}  // namespace chordlane

namespace chordlane::tool {

enum class ScriptOp {
    Down,
    Move,
    Up,
    DoubleClick,
    TouchDown,
    TouchMove,
    TouchUp,
    Tap,
    Strum,
    Wait,
    KeyDown,
    KeyUp,
    Key,
    HotKey,
    Activate,
    Menu,
    Answer,
    Cancel,
};

enum class MenuItem { Open, SaveAs, ShowActive, SpeedVolume, About, Exit };

struct ScriptCommand {
    ScriptOp op = ScriptOp::Wait;
    int line = 0;            // physical line in the script, from 1
    int32_t x1 = 0, y1 = 0;  // the point of down, move, dblclick, tap, touch; strum's start
    int32_t x2 = 0, y2 = 0;  // strum's end
    uint32_t ms = 0;         // wait, strum
    uint32_t moves = 0;      // strum
    uint32_t code = 0;       // key and hot-key codes, the activation state, the touch point
    MenuItem item = MenuItem::About;
    std::string path;  // answer
};

// Bounds that keep a script from running for days or making an endless stroke.
struct ScriptLimits {
    uint64_t maxMs = 3'600'000;      // the time of the whole script
    uint64_t maxMoves = 10'000'000;  // the moves of all strums together
};

struct Script {
    std::vector<ScriptCommand> commands;
    uint64_t durationMs = 0;  // the time the commands take, without the waits of a reload
};

struct ScriptParse {
    std::optional<Script> script;
    std::string error;  // "LINE: reason" when the script cannot be read
};

//! Reads a script: one command per line, '#' at the start of a word begins a comment, words
//! are separated by blanks and may be double-quoted (with \" and \\ inside).
ScriptParse ParseScript(std::string_view text, const ScriptLimits& limits = {});

struct ScriptRun {
    uint32_t elapsedMs = 0;  // virtual time from the first command to the end
    bool exited = false;     // File -> Exit ended the script early
};

// Plays a script on the view, through the same handlers the window calls. Time passes only
// by advancing the clock, one millisecond at a time, so that whatever the clock's advance
// hook does (mixing, completion notices) happens as it falls due.
class ScriptRunner {
  public:
    ScriptRunner(InstrumentView& view, VirtualClock& clock, ScriptedDialogs& dialogs);

    //! Runs the commands in order; stops after File -> Exit.
    ScriptRun Run(const Script& script);

  private:
    //! Answers false when the command ends the script.
    bool Execute(const ScriptCommand& command);
    void AdvanceTo(uint32_t tick);
    void Strum(const ScriptCommand& command);
    bool RunMenu(MenuItem item);
    //! A key press as the window takes it: a shortcut runs its command, other keys play.
    //! Answers false when the key ends the script.
    bool KeyDown(uint32_t code);
    //! After a dialog the instrument takes the modifiers the script holds.
    void TakeHeldModifiers();

    InstrumentView& view_;
    VirtualClock& clock_;
    ScriptedDialogs& dialogs_;
    Point last_;  // where the stylus was last put, for an "up" that names no place
    ShortcutKeys keys_;
};

//! Reads the script file at path ("-": standard input); nothing, with a one-line reason
//! naming the file (and the line), when it cannot be read.
std::optional<Script> ReadScriptFile(const std::string& path, std::string& error,
                                     const ScriptLimits& limits = {});

//! Reads text and runs it; false with the reason in error when it cannot be read.
bool RunScriptText(std::string_view text, InstrumentView& view, VirtualClock& clock,
                   ScriptedDialogs& dialogs, std::string& error, const ScriptLimits& limits = {});

}  // namespace chordlane::tool
