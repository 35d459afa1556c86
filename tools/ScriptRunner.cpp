#include "tools/ScriptRunner.h"

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <limits>

#include "app/MenuCommands.h"
#include "app/OpenFlow.h"
#include "elements/Instrument.h"
#include "language/Writer.h"
#include "platform/Text.h"
#include "platform/headless/ScriptedDialogs.h"
#include "platform/headless/VirtualClock.h"
#include "view/InstrumentView.h"

namespace chordlane::tool {

namespace {

// The most moves one strum may make; more would be many per millisecond of any real stroke.
constexpr int64_t MAX_STRUM_MOVES = 1'000'000;
// A script is a page of commands; anything this large is not one.
constexpr size_t MAX_SCRIPT_BYTES = 64u << 20;
// Virtual key codes are one byte.
constexpr int64_t MAX_KEY_CODE = 255;
// "touch N ..." has a form of its own, with the action after the point's number.
constexpr std::string_view TOUCH = "touch";

struct CommandSpec {
    std::string_view name;
    ScriptOp op;
    std::string_view arguments;  // for the reason when the count is wrong; "" for none
    size_t count;
};

constexpr CommandSpec COMMANDS[] = {
    {"down", ScriptOp::Down, "X Y", 2},
    {"move", ScriptOp::Move, "X Y", 2},
    {"up", ScriptOp::Up, "", 0},
    {"dblclick", ScriptOp::DoubleClick, "X Y", 2},
    {"tap", ScriptOp::Tap, "X Y", 2},
    {"strum", ScriptOp::Strum, "X1 Y1 X2 Y2 MS N", 6},
    {"wait", ScriptOp::Wait, "MS", 1},
    {"keydown", ScriptOp::KeyDown, "CODE", 1},
    {"keyup", ScriptOp::KeyUp, "CODE", 1},
    {"key", ScriptOp::Key, "CODE", 1},
    {"hotkey", ScriptOp::HotKey, "CODE", 1},
    {"activate", ScriptOp::Activate, "STATE", 1},
    {"menu", ScriptOp::Menu, "ITEM", 1},
    {"answer", ScriptOp::Answer, "PATH", 1},
    {"cancel", ScriptOp::Cancel, "", 0},
};

constexpr std::pair<std::string_view, MenuItem> MENU_ITEMS[] = {
    {"open", MenuItem::Open},
    {"saveas", MenuItem::SaveAs},
    {"showactive", MenuItem::ShowActive},
    {"speedvolume", MenuItem::SpeedVolume},
    {"about", MenuItem::About},
    {"exit", MenuItem::Exit},
};

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v'; }

// The words of one line. Answers false with a reason for an unclosed quote.
bool SplitWords(std::string_view line, std::vector<std::string>& words, std::string& reason) {
    size_t i = 0;
    while (true) {
        while (i < line.size() && IsBlank(line[i])) ++i;
        if (i >= line.size() || line[i] == '#') return true;
        std::string word;
        if (line[i] == '"') {
            ++i;
            bool closed = false;
            while (i < line.size()) {
                const char c = line[i++];
                if (c == '"') {
                    closed = true;
                    break;
                }
                if (c == '\\' && i < line.size() && (line[i] == '"' || line[i] == '\\')) {
                    word += line[i++];
                    continue;
                }
                word += c;
            }
            if (!closed) {
                reason = "a quoted word has no closing '\"'";
                return false;
            }
            if (i < line.size() && !IsBlank(line[i])) {
                reason = "a quoted word runs on after its closing '\"'";
                return false;
            }
        } else {
            while (i < line.size() && !IsBlank(line[i])) word += line[i++];
        }
        words.push_back(std::move(word));
    }
}

std::optional<int64_t> Integer(const std::string& word, int64_t low, int64_t high) {
    int64_t value = 0;
    const char* begin = word.data();
    if (!word.empty() && word[0] == '+') ++begin;
    const char* end = word.data() + word.size();
    const auto [stop, ec] = std::from_chars(begin, end, value);
    if (begin == end || ec != std::errc() || stop != end) return std::nullopt;
    if (value < low || value > high) return std::nullopt;
    return value;
}

// One line read into a command, or a reason why it cannot be.
class LineReader {
  public:
    LineReader(const std::vector<std::string>& words, ScriptCommand& command)
        : words_(words), command_(command) {}

    bool Read(std::string& reason) {
        if (words_[0] == TOUCH) return ReadTouch(reason);
        const CommandSpec* form = nullptr;
        for (const CommandSpec& s : COMMANDS) {
            if (s.name == words_[0]) form = &s;
        }
        if (!form) {
            reason = "unknown command '" + words_[0] + "'";
            return false;
        }
        command_.op = form->op;
        if (words_.size() - 1 != form->count) {
            reason = std::string(form->name) + (form->count == 0
                                                    ? " takes no arguments"
                                                    : " wants " + std::string(form->arguments));
            if (form->op == ScriptOp::Answer && words_.size() > 2) {
                reason += " (quote a path that holds blanks)";
            }
            return false;
        }
        switch (form->op) {
            case ScriptOp::Down:
            case ScriptOp::Move:
            case ScriptOp::DoubleClick:
            case ScriptOp::Tap:
                return Coordinate(1, "X", command_.x1, reason) &&
                       Coordinate(2, "Y", command_.y1, reason);
            case ScriptOp::Strum:
                return Coordinate(1, "X1", command_.x1, reason) &&
                       Coordinate(2, "Y1", command_.y1, reason) &&
                       Coordinate(3, "X2", command_.x2, reason) &&
                       Coordinate(4, "Y2", command_.y2, reason) &&
                       Unsigned(5, "MS", 0, std::numeric_limits<uint32_t>::max(), command_.ms,
                                reason) &&
                       Unsigned(6, "N", 1, MAX_STRUM_MOVES, command_.moves, reason);
            case ScriptOp::Wait:
                return Unsigned(1, "MS", 0, std::numeric_limits<uint32_t>::max(), command_.ms,
                                reason);
            case ScriptOp::KeyDown:
            case ScriptOp::KeyUp:
            case ScriptOp::Key:
                return Unsigned(1, "CODE", 0, MAX_KEY_CODE, command_.code, reason);
            case ScriptOp::HotKey:
                return Unsigned(1, "CODE", FIRST_HARDWARE_BUTTON, LAST_HARDWARE_BUTTON,
                                command_.code, reason);
            case ScriptOp::Activate:
                return Unsigned(1, "STATE", 0, 2, command_.code, reason);
            case ScriptOp::Menu:
                for (const auto& [name, item] : MENU_ITEMS) {
                    if (name == words_[1]) {
                        command_.item = item;
                        return true;
                    }
                }
                reason =
                    "menu ITEM is open, saveas, showactive, speedvolume, about or exit, "
                    "not '" +
                    words_[1] + "'";
                return false;
            case ScriptOp::Answer:
                if (words_[1].empty()) {
                    reason = "answer wants a PATH that is not empty";
                    return false;
                }
                command_.path = words_[1];
                return true;
            case ScriptOp::Up:
            case ScriptOp::Cancel:
            case ScriptOp::TouchDown:
            case ScriptOp::TouchMove:
            case ScriptOp::TouchUp:
                return true;
        }
        return true;
    }

  private:
    // touch N down X Y, touch N move X Y, touch N up.
    bool ReadTouch(std::string& reason) {
        constexpr std::string_view FORMS = "touch wants N down X Y, N move X Y or N up";
        if (words_.size() < 3) {
            reason = std::string(FORMS);
            return false;
        }
        const std::string& action = words_[2];
        size_t count = 2;
        if (action == "down" || action == "move") {
            command_.op = action == "down" ? ScriptOp::TouchDown : ScriptOp::TouchMove;
            count = 4;
        } else if (action == "up") {
            command_.op = ScriptOp::TouchUp;
        } else {
            reason = std::string(FORMS) + ", not '" + action + "'";
            return false;
        }
        if (words_.size() != count + 1) {
            reason = "touch N " + action + (count == 2 ? " takes nothing more" : " wants X Y");
            return false;
        }
        if (!Unsigned(1, "N", STYLUS_POINT, MAX_TOUCH_POINTS - 1, command_.code, reason)) {
            return false;
        }
        return count == 2 ||
               (Coordinate(3, "X", command_.x1, reason) && Coordinate(4, "Y", command_.y1, reason));
    }

    bool Coordinate(size_t at, std::string_view what, int32_t& out, std::string& reason) {
        const auto v = Integer(words_[at], std::numeric_limits<int32_t>::min(),
                               std::numeric_limits<int32_t>::max());
        if (!v) {
            reason = words_[0] + ": " + std::string(what) + " is not a 32-bit integer: '" +
                     words_[at] + "'";
            return false;
        }
        out = static_cast<int32_t>(*v);
        return true;
    }

    bool Unsigned(size_t at, std::string_view what, int64_t low, int64_t high, uint32_t& out,
                  std::string& reason) {
        const auto v = Integer(words_[at], low, high);
        if (!v) {
            reason = words_[0] + ": " + std::string(what) + " must be a whole number from " +
                     std::to_string(low) + " to " + std::to_string(high) + ", not '" + words_[at] +
                     "'";
            return false;
        }
        out = static_cast<uint32_t>(*v);
        return true;
    }

    const std::vector<std::string>& words_;
    ScriptCommand& command_;
};

}  // namespace

ScriptParse ParseScript(std::string_view text, const ScriptLimits& limits) {
    ScriptParse result;
    Script script;
    uint64_t moves = 0;
    int line = 0;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        const std::string_view content = text.substr(start, end - start);
        ++line;
        start = end + 1;

        std::vector<std::string> words;
        std::string reason;
        auto fail = [&](const std::string& why) {
            result.error = std::to_string(line) + ": " + why;
            return result;
        };
        if (content.find('\0') != std::string_view::npos) return fail("the line holds a NUL byte");
        if (!SplitWords(content, words, reason)) return fail(reason);
        if (words.empty()) continue;
        ScriptCommand command;
        command.line = line;
        if (!LineReader(words, command).Read(reason)) return fail(reason);

        if (command.op == ScriptOp::Wait || command.op == ScriptOp::Strum) {
            script.durationMs += command.ms;
            if (script.durationMs > limits.maxMs) {
                return fail("the script would run longer than " + std::to_string(limits.maxMs) +
                            " ms");
            }
        }
        if (command.op == ScriptOp::Strum) {
            moves += command.moves;
            if (moves > limits.maxMoves) {
                return fail("the strums would make more than " + std::to_string(limits.maxMoves) +
                            " moves");
            }
        }
        script.commands.push_back(std::move(command));
    }
    result.script = std::move(script);
    return result;
}

ScriptRunner::ScriptRunner(InstrumentView& view, VirtualClock& clock, ScriptedDialogs& dialogs)
    : view_(view), clock_(clock), dialogs_(dialogs) {}

ScriptRun ScriptRunner::Run(const Script& script) {
    ScriptRun run;
    const uint32_t start = clock_.TickCount();
    for (const ScriptCommand& command : script.commands) {
        if (!Execute(command)) {
            run.exited = true;
            break;
        }
    }
    run.elapsedMs = clock_.TickCount() - start;
    return run;
}

void ScriptRunner::AdvanceTo(uint32_t tick) {
    // Signed difference of wrapping ticks: a target already passed (a reload slept past it)
    // is simply reached.
    while (static_cast<int32_t>(tick - clock_.TickCount()) > 0) clock_.Advance(1);
}

void ScriptRunner::Strum(const ScriptCommand& c) {
    const uint32_t t = clock_.TickCount();
    last_ = {c.x1, c.y1};
    view_.OnButtonDown(last_);
    const int64_t dx = int64_t{c.x2} - c.x1;
    const int64_t dy = int64_t{c.y2} - c.y1;
    for (uint32_t i = 1; i <= c.moves; ++i) {
        AdvanceTo(t + static_cast<uint32_t>(uint64_t{c.ms} * i / c.moves));
        // Truncating divisions, in 64 bits: the products overflow 32 bits for far points.
        last_ = {static_cast<int32_t>(c.x1 + dx * i / c.moves),
                 static_cast<int32_t>(c.y1 + dy * i / c.moves)};
        view_.OnStylusMove(last_);
    }
    view_.OnButtonUp(last_);
}

void ScriptRunner::TakeHeldModifiers() {
    view_.SetHeldModifiers((keys_.Modifiers() & SHORTCUT_SHIFT) != 0,
                           (keys_.Modifiers() & SHORTCUT_CONTROL) != 0);
}

bool ScriptRunner::KeyDown(uint32_t code) {
    const Shortcut* shortcut = keys_.Press(code);
    if (!shortcut) {
        view_.OnKeyDown(code);
        return true;
    }
    switch (shortcut->command) {
        case ShortcutCommand::Open:
            return RunMenu(MenuItem::Open);
        case ShortcutCommand::Help:
            ShowHelp(view_.GetInstrument());
            break;
        case ShortcutCommand::Exit:
            return RunMenu(MenuItem::Exit);
        default:
            break;  // a window's own command, or none: the key is still not the instrument's
    }
    return true;
}

bool ScriptRunner::RunMenu(MenuItem item) {
    switch (item) {
        case MenuItem::Open:
            OpenInstrument(view_.GetInstrument(), std::nullopt);
            TakeHeldModifiers();
            break;
        case MenuItem::SaveAs:
            // The menu offers Save As only when there is something to save.
            if (CanSaveAs(view_.GetInstrument())) SaveInstrumentAs(view_.GetInstrument().load);
            TakeHeldModifiers();
            break;
        case MenuItem::ShowActive:
            ToggleShowActive(view_.GetInstrument());
            break;
        case MenuItem::SpeedVolume:
            ToggleSpeedVolume(view_.GetInstrument());
            break;
        case MenuItem::About:
            TakeHeldModifiers();  // a dialog that changes nothing else and closes again
            break;
        case MenuItem::Exit:
            return false;
    }
    return true;
}

bool ScriptRunner::Execute(const ScriptCommand& c) {
    switch (c.op) {
        case ScriptOp::Down:
            last_ = {c.x1, c.y1};
            view_.OnButtonDown(last_);
            break;
        case ScriptOp::Move:
            last_ = {c.x1, c.y1};
            view_.OnStylusMove(last_);
            break;
        case ScriptOp::Up:
            view_.OnButtonUp(last_);
            break;
        case ScriptOp::DoubleClick:
            last_ = {c.x1, c.y1};
            view_.OnDoubleClick(last_);
            break;
        case ScriptOp::Tap:
            last_ = {c.x1, c.y1};
            view_.OnButtonDown(last_);
            view_.OnButtonUp(last_);
            break;
        case ScriptOp::TouchDown:
        case ScriptOp::TouchMove: {
            const auto point = static_cast<int32_t>(c.code);
            // Point 0 is the stylus: its place is where a later bare "up" lifts it.
            if (point == STYLUS_POINT) last_ = {c.x1, c.y1};
            if (c.op == ScriptOp::TouchDown) {
                view_.OnTouchDown(point, {c.x1, c.y1});
            } else {
                view_.OnTouchMove(point, {c.x1, c.y1});
            }
            break;
        }
        case ScriptOp::TouchUp:
            view_.OnTouchUp(static_cast<int32_t>(c.code));
            break;
        case ScriptOp::Strum:
            Strum(c);
            break;
        case ScriptOp::Wait:
            AdvanceTo(clock_.TickCount() + c.ms);
            break;
        case ScriptOp::KeyDown:
            return KeyDown(c.code);
        case ScriptOp::KeyUp:
            // A release reaches the instrument even after a shortcut, as in the window.
            keys_.Release(c.code);
            view_.OnKeyUp(c.code);
            break;
        case ScriptOp::Key: {
            const bool goOn = KeyDown(c.code);
            keys_.Release(c.code);
            view_.OnKeyUp(c.code);
            return goOn;
        }
        case ScriptOp::HotKey:
            OnHotKey(view_.GetInstrument(), c.code);
            break;
        case ScriptOp::Activate:
            // The codes of the window messages: 0 inactive, 1 active, 2 activated by a click.
            OnActivate(view_.GetInstrument(), static_cast<Activation>(c.code), false);
            // As the window does: keys released elsewhere leave no modifier held.
            if (c.code != 0) TakeHeldModifiers();
            break;
        case ScriptOp::Menu:
            return RunMenu(c.item);
        case ScriptOp::Answer:
            dialogs_.Answer(FromUtf8(c.path));
            break;
        case ScriptOp::Cancel:
            dialogs_.Cancel();
            break;
    }
    return true;
}

std::optional<Script> ReadScriptFile(const std::string& path, std::string& error,
                                     const ScriptLimits& limits) {
    const bool standardInput = path == "-";
    std::FILE* file = standardInput ? stdin : std::fopen(path.c_str(), "rb");
    if (!file) {
        error = "cannot read the script " + path + ": " + std::strerror(errno);
        return std::nullopt;
    }
    std::string text;
    char chunk[65536];
    bool tooLarge = false;
    for (size_t n; (n = std::fread(chunk, 1, sizeof chunk, file)) > 0;) {
        if (text.size() + n > MAX_SCRIPT_BYTES) {
            tooLarge = true;
            break;
        }
        text.append(chunk, n);
    }
    const bool failed = std::ferror(file) != 0;
    if (!standardInput) std::fclose(file);
    if (tooLarge || failed) {
        error = "cannot read the script " + path +
                (tooLarge ? ": it is larger than " + std::to_string(MAX_SCRIPT_BYTES >> 20) + " MiB"
                          : std::string(": read error"));
        return std::nullopt;
    }
    ScriptParse parsed = ParseScript(text, limits);
    if (!parsed.script) error = path + ":" + parsed.error;
    return std::move(parsed.script);
}

bool RunScriptText(std::string_view text, InstrumentView& view, VirtualClock& clock,
                   ScriptedDialogs& dialogs, std::string& error, const ScriptLimits& limits) {
    const ScriptParse parsed = ParseScript(text, limits);
    if (!parsed.script) {
        error = parsed.error;
        return false;
    }
    ScriptRunner(view, clock, dialogs).Run(*parsed.script);
    return true;
}

}  // namespace chordlane::tool
