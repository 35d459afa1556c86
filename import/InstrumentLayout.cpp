#include "import/InstrumentLayout.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <set>
#include <sstream>

#include "language/BuiltinInstrument.h"
#include "language/MemoryTextReader.h"
#include "platform/Text.h"

namespace chordlane {
namespace {

// The design space every layout is drawn in: the program's own screen, portrait.
constexpr int WIDTH = 240;
constexpr int HEIGHT = 320;

constexpr std::string_view kPercussion[] = {"Acoustic Bass Drum",
                                            "Bass Drum 1",
                                            "Side Stick",
                                            "Acoustic Snare",
                                            "Hand Clap",
                                            "Electric Snare",
                                            "Low Floor Tom",
                                            "Closed Hi-Hat",
                                            "High Floor Tom",
                                            "Pedal Hi-Hat",
                                            "Low Tom",
                                            "Open Hi-Hat",
                                            "Low-Mid Tom",
                                            "Hi-Mid Tom",
                                            "Crash Cymbal 1",
                                            "High Tom",
                                            "Ride Cymbal 1",
                                            "Chinese Cymbal",
                                            "Ride Bell",
                                            "Tambourine",
                                            "Splash Cymbal",
                                            "Cowbell",
                                            "Crash Cymbal 2",
                                            "Vibraslap",
                                            "Ride Cymbal 2",
                                            "Hi Bongo",
                                            "Low Bongo",
                                            "Mute Hi Conga",
                                            "Open Hi Conga",
                                            "Low Conga",
                                            "High Timbale",
                                            "Low Timbale",
                                            "High Agogo",
                                            "Low Agogo",
                                            "Cabasa",
                                            "Maracas",
                                            "Short Whistle",
                                            "Long Whistle",
                                            "Short Guiro",
                                            "Long Guiro",
                                            "Claves",
                                            "Hi Wood Block",
                                            "Low Wood Block",
                                            "Mute Cuica",
                                            "Open Cuica",
                                            "Mute Triangle",
                                            "Open Triangle"};
constexpr int FIRST_PERCUSSION = 35;

// The strummer plays its strings' open notes and up to 12 semitones above (five frets and
// a capo of seven).
constexpr int STRUMMER_LOW = 40;
constexpr int STRUMMER_HIGH = 64 + 12;

std::string Frequency(int note) {
    char text[32];
    std::snprintf(text, sizeof text, "%.6g", 440.0 * std::pow(2.0, (note - 69) / 12.0));
    return text;
}

// A token of an instrument line: quoted when it holds a separator.
std::string Token(const std::string& text) {
    if (!text.empty() && text.find_first_of(" \t\"'") == std::string::npos) return text;
    const char quote = text.find('"') == std::string::npos ? '"' : '\'';
    std::string clean = text;
    std::replace(clean.begin(), clean.end(), quote, '_');
    return quote + clean + quote;
}

// Text a label shows: one line, no quotes of either kind, at most 40 characters.
std::string Label(const std::string& text) {
    std::string clean;
    for (char c : text) clean.push_back(c == '"' || c == '\'' || c == '\n' || c == '\r' ? ' ' : c);
    if (clean.size() > 40) clean.resize(40);
    return Token(clean);
}

std::string Header(const std::string& title, std::string_view kind) {
    std::string line = "cl1.0 Chordlane import: " + title;
    std::replace(line.begin(), line.end(), '\n', ' ');
    std::replace(line.begin(), line.end(), '\r', ' ');
    return line + " (" + std::string(kind) + ")\n";
}

// The sound of every note and the tick, and a voice for every note.
void WriteSounds(std::ostringstream& out, ImportLayout layout, const std::vector<int>& notes,
                 const std::string& waveFolder, bool byNote) {
    for (int note : notes) {
        out << "s " << (byNote ? "s-" : "s") << note << ' '
            << Token(waveFolder + NoteWaveName(layout, note)) << ' ' << Frequency(note) << " 0 0\n";
    }
    out << "s clk " << Token(waveFolder + std::string(TICK_WAVE_NAME)) << " 110 0 0\n";
    out << "v tick\n";
}

std::string KeyboardText(const std::string& title, const std::vector<int>& notes,
                         const std::string& waveFolder) {
    std::ostringstream out;
    out << Header(title, "keyboard");
    out << "# Each key plays its own recording of the preset's note. The tabs switch between\n"
           "# pages of two octaves.\n";
    out << "d " << WIDTH << ' ' << HEIGHT << "\n\n";
    if (notes.empty()) return out.str();
    WriteSounds(out, ImportLayout::Keyboard, notes, waveFolder, false);
    for (int note : notes) out << "v v" << note << '\n';

    const std::set<int> sounding(notes.begin(), notes.end());
    const int low = notes.front();
    const int high = notes.back();
    const int base = low - low % 12;
    const int pages = (high - base) / 24 + 1;
    const int tabWidth = WIDTH / pages;
    int shown = 0;  // the page of middle C, where there is one
    if (60 >= low && 60 <= high) shown = (60 - base) / 24;

    // Tabs: each shows its page, hides the others and lights its own button. (Shapes share
    // one set of colours, so the chosen tab is told by its button's colour, not a marker.)
    out << "\n";
    for (int p = 0; p < pages; ++p) {
        out << "{ show" << p + 1 << '\n';
        for (int q = 0; q < pages; ++q) {
            out << "=b page" << q + 1 << ".e" << (q == p ? "" : " f") << '\n';
            out << "=i tab" << q + 1 << ".ci " << (q == p ? "0x30B0F0" : "0x806050") << '\n';
        }
        out << "> tick\n}\n";
    }
    for (int p = 0; p < pages; ++p) {
        const int first = std::max(low, base + 24 * p);
        const int last = std::min(high, base + 24 * p + 23);
        out << "gt tt" << p + 1 << ' ' << NoteName(first) << '-' << NoteName(last) << ' '
            << p * tabWidth + 1 << " 1 " << tabWidth - 2 << " 12\n";
        out << "br tab" << p + 1 << ' ' << p * tabWidth + 2 << " 15 " << tabWidth - 4 << " 8\n";
    }

    out << "\n{ init\n=i .cb 0x282420\n=i .sp 60\n=i .ci 0xF0F4F4\n=i .cI 0x505050\n"
           "=i .ct 0xF0F0F0\n=s tick.ns clk\n=i tick.vm -35\n";
    for (int p = 0; p < pages; ++p) {
        out << "=i tab" << p + 1 << ".ci " << (p == shown ? "0x30B0F0" : "0x806050") << "\n=s tab"
            << p + 1 << ".na show" << p + 1 << '\n';
    }
    for (int note : notes) out << "=s v" << note << ".ns \"s" << note << "\"\n";
    out << "=b page" << shown + 1 << ".e\n}\n";

    // A row is one octave: the white keys' broad parts below, their narrow parts between
    // the black keys above, and the C's name under it. Names start with '!'
    // so that no page prefixes them: k60 is middle C on whichever page.
    static constexpr int kWhite[] = {0, 2, 4, 5, 7, 9, 11};
    static constexpr int kBlackAfter[] = {0, 1, 3, 4, 5};  // white index left of each black
    static constexpr int kBlack[] = {1, 3, 6, 8, 10};
    constexpr int keyWidth = 34;
    for (int p = 0; p < pages; ++p) {
        out << "\n[ page" << p + 1 << " 0 26 " << WIDTH << ' ' << HEIGHT - 26 << '\n';
        std::ostringstream init;
        for (int row = 1; row >= 0; --row) {
            const int octave = base + 24 * p + 12 * row;
            const int top = row == 1 ? 0 : 147;
            if (octave > high || octave + 11 < low) continue;
            auto key = [&](int note, int x, int y, int w, int h, const char* prefix) {
                if (note < low || note > high) return;
                if (sounding.count(note)) {
                    out << "br !" << prefix << note;
                } else {
                    out << "gr !x" << prefix << note;
                    init << "=i !x" << prefix << note << ".ci 0x606060\n";
                }
                out << ' ' << x << ' ' << y << ' ' << w << ' ' << h << '\n';
            };
            for (int i = 0; i < 7; ++i) {
                const int note = octave + kWhite[i];
                const bool blackLeft = i == 1 || i == 2 || i == 4 || i == 5 || i == 6;
                const bool blackRight = i == 0 || i == 1 || i == 3 || i == 4 || i == 5;
                const int left = blackLeft ? i * keyWidth + 12 : i * keyWidth + 1;
                const int right = blackRight ? (i + 1) * keyWidth - 10 : (i + 1) * keyWidth;
                key(note, left, top, right - left, 85, "u");
                key(note, i * keyWidth + 1, top + 86, keyWidth - 1, 40, "k");
                if (note >= low && note <= high && note % 12 == 0) {
                    out << "gt !l" << note << ' ' << NoteName(note) << ' ' << i * keyWidth + 1
                        << ' ' << top + 129 << ' ' << keyWidth - 1 << " 14\n";
                }
                if (sounding.count(note)) {
                    init << "=s !k" << note << ".na \"v" << note << "\"\n=s !u" << note << ".na \"v"
                         << note << "\"\n=s !k" << note << ".nb \"u" << note << "\"\n=s !u" << note
                         << ".nb \"k" << note << "\"\n";
                }
            }
            for (int j = 0; j < 5; ++j) {
                const int note = octave + kBlack[j];
                key(note, (kBlackAfter[j] + 1) * keyWidth - 9, top, 20, 84, "k");
                if (sounding.count(note)) {
                    init << "=i !k" << note << ".ci 0x282828\n=s !k" << note << ".na \"v" << note
                         << "\"\n";
                }
            }
        }
        out << "{ init\n" << init.str() << "}\n]\n";
    }
    return out.str();
}

std::string PadsText(const std::string& title, const std::vector<int>& notes,
                     const std::string& waveFolder) {
    std::ostringstream out;
    out << Header(title, "pads");
    out << "# One pad per note of the preset; strike it harder to play louder.\n";
    out << "d " << WIDTH << ' ' << HEIGHT << "\n\n";
    if (notes.empty()) return out.str();
    WriteSounds(out, ImportLayout::Pads, notes, waveFolder, false);
    for (int note : notes) out << "v v" << note << '\n';
    out << "gt title " << Label(title) << " 4 2 232 16\n";

    const int count = static_cast<int>(notes.size());
    const int columns = count <= 4 ? 2 : count <= 9 ? 3 : count <= 20 ? 4 : count <= 30 ? 5 : 6;
    const int rows = (count + columns - 1) / columns;
    const int cellWidth = WIDTH / columns;
    const int cellHeight = (HEIGHT - 22) / rows;
    const int labelHeight = std::clamp(cellHeight / 4, 8, 14);
    std::ostringstream init;
    for (int i = 0; i < count; ++i) {
        const int note = notes[static_cast<size_t>(i)];
        const int x = (i % columns) * cellWidth;
        const int y = 22 + (i / columns) * cellHeight;
        const std::string_view percussion = PercussionName(note);
        const std::string name = percussion.empty() ? NoteName(note) : std::string(percussion);
        // Arial is a little over half as wide as it is high: a long name gets a smaller font.
        const int fits =
            static_cast<int>((cellWidth - 2) / (0.55 * static_cast<double>(name.size())));
        const int height = std::clamp(fits, 7, labelHeight);
        out << "br !d" << note << ' ' << x + 3 << ' ' << y + 2 << ' ' << cellWidth - 6 << ' '
            << cellHeight - labelHeight - 5 << '\n';
        out << "gt !t" << note << ' ' << Label(name) << ' ' << x + 1 << ' '
            << y + cellHeight - labelHeight - 2 + (labelHeight - height) / 2 << ' ' << cellWidth - 2
            << ' ' << height << '\n';
        init << "=s v" << note << ".ns \"s" << note << "\"\n=s d" << note << ".na v" << note
             << '\n';
    }
    out << "\n{ init\n=i .cb 0x181010\n=i .sp 70\n=i .ci 0x3070C0\n=i .ca 0x40E0FF\n"
           "=i .cI 0x102040\n=i .ct 0xE0E0E0\n"
        << init.str() << "}\n";
    return out.str();
}

// The built-in guitar's own text, its six strings' sounds replaced by one sound per note of
// the preset: a string's voice names its note ("s-E1"), which the capo's shift moves.
std::string StrummerText(const std::string& title, const std::vector<int>& notes,
                         const std::string& waveFolder) {
    std::vector<std::string> lines;
    MemoryTextReader reader(BuiltinInstrument());
    char16_t buffer[512];
    while (reader.ReadLine(buffer, 512)) {
        std::string line = ToUtf8(buffer);
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
        lines.push_back(line);
    }
    std::ostringstream out;
    out << Header(title, "strummer");
    out << "# The built-in guitar, its strings sounding the imported preset: every note is a\n"
           "# recording of its own.\n";
    std::map<std::string, int> openNotes;  // a string's sound name -> its open note
    bool soundsWritten = false;
    for (const std::string& line : lines) {
        if (line.empty() || line[0] == '#') continue;
        if (line.starts_with("s ")) {
            std::istringstream words(line.substr(2));
            std::string name, file;
            double frequency = 0;
            words >> name >> file >> frequency;
            if (name != "clk" && frequency > 0) {
                openNotes[name] =
                    static_cast<int>(std::lround(69 + 12 * std::log2(frequency / 440.0)));
            }
            if (!soundsWritten) WriteSounds(out, ImportLayout::Strummer, notes, waveFolder, true);
            soundsWritten = true;
            continue;
        }
        const size_t quote = line.find(".ns \"");
        if (line.starts_with("=s ") && quote != std::string::npos) {
            const std::string value = line.substr(quote + 5, line.size() - quote - 6);
            const size_t plus = value.find('+');
            const auto open = openNotes.find(value.substr(0, plus));
            if (plus != std::string::npos && open != openNotes.end()) {
                const int note = open->second + std::atoi(value.c_str() + plus + 1);
                // Note names of voices count octaves from A, A4 being 440 Hz.
                static constexpr const char* kNames[] = {"A",  "A#", "B", "C",  "C#", "D",
                                                         "D#", "E",  "F", "F#", "G",  "G#"};
                const int fromA0 = note - 21;
                out << line.substr(0, quote + 5) << "s-" << kNames[fromA0 % 12] << fromA0 / 12
                    << "\"\n";
                continue;
            }
        }
        out << line << '\n';
    }
    return out.str();
}

}  // namespace

std::optional<ImportLayout> ParseImportLayout(std::string_view word) {
    if (word == "keyboard") return ImportLayout::Keyboard;
    if (word == "pads") return ImportLayout::Pads;
    if (word == "strummer") return ImportLayout::Strummer;
    return std::nullopt;
}

std::vector<int> LayoutNotes(ImportLayout layout, const std::vector<int>& defined) {
    std::vector<int> notes;
    if (defined.empty()) return notes;
    switch (layout) {
        case ImportLayout::Keyboard: {
            int low = defined.front(), high = defined.back();
            if (high - low + 1 > MAX_KEYBOARD_KEYS)
                low = std::max(low, 21), high = std::min(high, 108);
            if (high - low + 1 > MAX_KEYBOARD_KEYS) high = low + MAX_KEYBOARD_KEYS - 1;
            for (int note : defined) {
                if (note >= low && note <= high) notes.push_back(note);
            }
            break;
        }
        case ImportLayout::Pads:
            // The General MIDI drums first, then the rest from the bottom, in note order.
            for (int note : defined) {
                if (!PercussionName(note).empty()) notes.push_back(note);
            }
            for (int note : defined) {
                if (notes.size() >= MAX_PADS) break;
                if (PercussionName(note).empty()) notes.push_back(note);
            }
            std::sort(notes.begin(), notes.end());
            break;
        case ImportLayout::Strummer:
            for (int note : defined) {
                if (note >= STRUMMER_LOW && note <= STRUMMER_HIGH) notes.push_back(note);
            }
            break;
    }
    return notes;
}

std::string NoteWaveName(ImportLayout layout, int note) {
    return (layout == ImportLayout::Pads ? "d" : "k") + std::to_string(note) + ".wav";
}

std::string WriteLayout(ImportLayout layout, const std::string& title,
                        const std::vector<int>& notes, const std::string& waveFolder) {
    switch (layout) {
        case ImportLayout::Keyboard:
            return KeyboardText(title, notes, waveFolder);
        case ImportLayout::Pads:
            return PadsText(title, notes, waveFolder);
        case ImportLayout::Strummer:
            return StrummerText(title, notes, waveFolder);
    }
    return {};
}

std::string NoteName(int note) {
    static constexpr const char* kNames[] = {"C",  "C#", "D",  "D#", "E",  "F",
                                             "F#", "G",  "G#", "A",  "A#", "B"};
    return kNames[((note % 12) + 12) % 12] + std::to_string(note / 12 - 1);
}

std::string_view PercussionName(int note) {
    const int index = note - FIRST_PERCUSSION;
    if (index < 0 || index >= static_cast<int>(std::size(kPercussion))) return {};
    return kPercussion[index];
}

}  // namespace chordlane
