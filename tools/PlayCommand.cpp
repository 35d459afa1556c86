// chordlane-tool play FILE: loads FILE, plays a script on it on the virtual clock, prints the
// event log, writes the mix of everything that sounded as a WAV file and the notes that
// sounded as a Standard MIDI File.
#include <cstdio>
#include <memory>
#include <vector>

#include "app/EventLog.h"
#include "app/midi/MidiNotes.h"
#include "app/midi/MidiNotesFile.h"
#include "app/midi/MidiNotesTrace.h"
#include "platform/Clock.h"
#include "tools/OfflineEngine.h"
#include "tools/ScriptRunner.h"
#include "tools/ToolCommand.h"
#include "tools/ToolLoad.h"
#include "tools/ToolSession.h"

namespace chordlane::tool {
namespace {

constexpr int64_t MIN_RATE = 8000;
constexpr int64_t MAX_RATE = 192000;

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// Writes the whole of bytes to file and closes it; false when any of it failed.
bool WriteAndClose(File file, const std::vector<uint8_t>& bytes) {
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file.get()) == bytes.size();
    return std::fclose(file.release()) == 0 && written;
}

int RunPlay(std::span<const std::string> args) {
    OptionParser parser;
    CommonOptions common;
    std::optional<std::string> scriptPath;
    std::optional<std::string> wavPath;
    std::optional<std::string> midiPath;
    uint32_t rate = 48000;
    parser.AddCommon(&common);
    parser.AddValue("--script", &scriptPath);
    parser.AddValue("-o", &wavPath);
    parser.AddValue("--midi", &midiPath);
    parser.AddValue("--rate", [&rate](const std::string& value) {
        const auto parsed = ParseInteger(value, MIN_RATE, MAX_RATE);
        if (!parsed) {
            return "--rate wants a whole number of hertz from " + std::to_string(MIN_RATE) +
                   " to " + std::to_string(MAX_RATE) + ", not '" + value + "'";
        }
        rate = static_cast<uint32_t>(*parsed);
        return std::string();
    });
    std::string error;
    if (!parser.Parse(args, error)) return UsageError("play: " + error);
    if (parser.Positional().size() != 1) return UsageError("play wants one FILE");
    if (wavPath && wavPath->empty()) return UsageError("play: -o wants a file name");
    if (midiPath && midiPath->empty()) return UsageError("play: --midi wants a file name");

    Script script;
    if (scriptPath) {
        std::optional<Script> read = ReadScriptFile(*scriptPath, error);
        if (!read) return UsageError("play: " + error);
        script = std::move(*read);
    }

    ToolSession session(common);
    OfflineEngine engine(session.Platform(), session.GetInstrument(),
                         {.wavPath = wavPath.value_or(""), .rate = rate});
    if (!engine.OutputOpen()) return UsageError("play: cannot write " + *wavPath);
    // Opened before anything plays, so that an unwritable name is said at once.
    File midiFile;
    if (midiPath) {
        midiFile.reset(std::fopen(midiPath->c_str(), "wb"));
        if (!midiFile) {
            engine.Finish();
            if (wavPath) std::remove(wavPath->c_str());
            return UsageError("play: cannot write " + *midiPath);
        }
    }
    VirtualClock& clock = session.Platform().clock;
    EventLog log(stdout, clock);
    // The file's tick 0 is the log's time 0.
    MidiNotesFile notesFile(clock.TickCount());
    MidiNoteTracker notes;
    notes.AddSink(notesFile);
    MidiNotesTrace notesTrace(notes, clock, &log);
    // Taken out again before the traces go: the instrument outlives them.
    ScopedService<EventTrace> trace(session.GetInstrument().trace,
                                    midiPath ? static_cast<EventTrace*>(&notesTrace) : &log);

    const int loaded = LoadForTool(session, parser.Positional()[0], common);
    if (loaded == EXIT_NOT_FOUND) {
        // Nothing was played: no file is left behind.
        engine.Finish();
        if (wavPath) std::remove(wavPath->c_str());
        if (midiPath) {
            midiFile.reset();
            std::remove(midiPath->c_str());
        }
        return loaded;
    }
    // After an abandoned load the start-up screen shows, and the script plays on it.
    ScriptRunner(engine.View(), clock, session.Platform().dialogs).Run(script);
    std::fflush(stdout);
    // Notes still ringing end with the script, as the mix does.
    const uint32_t end = clock.TickCount();
    notes.EndAll(end);
    if (midiPath && !WriteAndClose(std::move(midiFile), notesFile.Finish(end))) {
        engine.Finish();
        return UsageError("play: cannot write " + *midiPath);
    }
    if (!engine.Finish()) return UsageError("play: cannot write " + *wavPath);
    return loaded;
}

const ToolCommand kPlay{
    .name = "play",
    .arguments = "FILE [--script SCRIPT] [-o OUT.wav] [--rate HZ] [--midi OUT.mid]",
    .help =
        "  Loads FILE, runs SCRIPT ('-': standard input) on it on a virtual clock that\n"
        "  starts at 1000 ms, and prints the event log, one line 'T KIND ...' per event\n"
        "  (T: milliseconds since the script began; names and texts as JSON strings):\n"
        "    T stroke X0 Y0 X1 Y1 S      a stroke segment of strength S; a finger's\n"
        "                                segments end with touch=N\n"
        "    T event NAME FOUND          a key, button or init event looked up (1 or 0)\n"
        "    T press NAME, T release NAME  a button's pressed flag changed\n"
        "    T start VOICE sample=SOUND shift=S volume=V level=L\n"
        "    T stop VOICE                a voice was released\n"
        "    T done VOICE source=NAME    a sound ended ('\"\"' without a source)\n"
        "    T message TEXT              a message box\n"
        "  Events of the load itself come first, at 0. With -o, the mix of everything\n"
        "  that sounded is written as 16-bit stereo PCM at --rate HZ (default 48000, from\n"
        "  8000 to 192000), as long as the script's time: the sounds converted to that rate\n"
        "  when they load, the mix through the program's master stage (a limiter just\n"
        "  below full scale: it never clips, and a mix below it is written unchanged).\n"
        "  After a load abandoned in a file\n"
        "  prompt the script runs on the start-up screen and the exit code is 3.\n"
        "  With --midi, the notes that sounded are written as a Standard MIDI File\n"
        "  (format 0, channel 1, one tick a millisecond of the log's time): a start is a\n"
        "  note-on of note 69 + the sound's base note + S (left out outside 0 to 127),\n"
        "  velocity (V * 127 + 50) / 100 within 1 to 127; the note ends (velocity 64) at\n"
        "  the voice's stop or done, when the voice starts again, or at the script's end.\n"
        "  A note-on of a sounding note number ends that note first.\n"
        "\n"
        "  Script: one command per line; '#' begins a comment; words may be quoted \"...\".\n"
        "  Only wait and strum advance the clock.\n"
        "    down X Y, move X Y, up      the stylus touches, moves, leaves\n"
        "    tap X Y                     down X Y, then up\n"
        "    dblclick X Y                a second tap that arrives as a double-click: strikes\n"
        "    touch N down X Y, touch N move X Y, touch N up\n"
        "                                finger N (1 to 9) of a touch screen, a stylus of\n"
        "                                its own; touch 0 is the stylus\n"
        "    strum X1 Y1 X2 Y2 MS N      down at X1 Y1, N moves evenly to X2 Y2 over MS\n"
        "                                milliseconds, up\n"
        "    wait MS                     time passes; sounds play and end\n"
        "    keydown CODE, keyup CODE, key CODE   virtual key codes 0 to 255\n"
        "    hotkey CODE                 a hardware button, 193 to 207\n"
        "    activate STATE              the window is activated: 0, 1 or 2\n"
        "    menu ITEM                   open, saveas, showactive, speedvolume, about, exit\n"
        "                                (exit ends the script)\n"
        "    answer PATH, cancel         the next file dialog is answered or cancelled;\n"
        "                                --answer values the load left over come first\n"
        "  A script runs at most one hour of virtual time.\n",
    .order = 40,
    .takesCommon = true,
    .run = RunPlay,
};
const ToolCommandRegistration kRegisterPlay{kPlay};

}  // namespace
}  // namespace chordlane::tool
