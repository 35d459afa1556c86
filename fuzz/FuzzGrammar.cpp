// Instrument files written from the directive grammar, with the input bytes as the choices:
// every directive kind with hostile numbers, long and unicode names, deep nesting, includes
// and prompts, small generated waves and pictures, and a script to play on what loaded. A byte
// mutation of a file rarely keeps it well-formed enough to reach the costly paths of a load;
// choices do. A load or script that takes over the time limit twice in a row (2 s by default,
// the lesser of wall-clock and processor time; set CHORDLANE_FUZZ_SLOW_MS, e.g. higher under
// sanitizers) or leaves over 1 GiB resident stops the run, as a crash does.
//
// Built with -fsanitize=fuzzer it is a libFuzzer target. Built with
// -DCHORDLANE_GRAMMAR_DRIVER it is a program of its own:
//   fuzz_grammar SECONDS [SEED] [OUTDIR]   random choices for SECONDS; a finding is saved to
//                                          OUTDIR (default .) as grammar-SEED-N.bin
//   fuzz_grammar --replay FILE [DIR]       runs one saved input; with DIR, also writes the
//                                          generated files there

#include <sys/resource.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <random>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/OpenFlow.h"
#include "elements/Instrument.h"
#include "platform/LittleEndian.h"
#include "platform/Text.h"
#include "platform/headless/HeadlessPlatform.h"
#include "platform/headless/MemoryFileSystem.h"
#include "platform/headless/RecordingSurface.h"
#include "sound/WorkBudget.h"
#include "tools/ScriptRunner.h"
#include "view/InstrumentView.h"

namespace {

using chordlane::AppendLe16;
using chordlane::AppendLe32;
using chordlane::String;

// The input bytes as a stream of choices; past the end every choice is 0, the plainest.
class Choices {
  public:
    Choices(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    uint32_t Byte() { return at_ < size_ ? data_[at_++] : 0; }
    uint32_t Below(uint32_t n) {
        if (n <= 1) return 0;
        uint32_t v = Byte();
        if (n > 256) {
            v |= Byte() << 8;
            v |= Byte() << 16;
        }
        return v % n;
    }
    bool OneIn(uint32_t n) { return Below(n) == 0; }

  private:
    const uint8_t* data_;
    size_t size_;
    size_t at_ = 0;
};

// The words joined. Every choice of a line goes through here: the elements of a braced list
// are evaluated in order, unlike the operands of +, so one input writes the same file whatever
// the compiler (the libFuzzer build and the release driver replay each other's findings).
std::string Words(std::initializer_list<std::string> words, std::string_view separator = " ") {
    std::string joined;
    bool first = true;
    for (const std::string& word : words) {
        if (!first) joined += separator;
        first = false;
        joined += word;
    }
    return joined;
}

std::string Number(Choices& c) {
    static constexpr const char* HOSTILE[] = {
        "0",          "1",           "-1",    "127",    "128",        "255",         "256",
        "32767",      "-32768",      "65535", "65536",  "2147483647", "-2147483648", "2147483648",
        "4294967295", "99999999999", "1e30",  "-1e30",  "0x7fffffff", "0xffffffff",  "1.5",
        "-0",         "nan",         "inf",   "0.0001", "5",          "8000",        "16384",
        "-16384",     "1e-40",       "",      "x",      "007",        "+3",          "1,2",
        "\"12\""};
    switch (c.Below(4)) {
        case 0:
            return HOSTILE[c.Below(std::size(HOSTILE))];
        case 1:
            return std::to_string(static_cast<int32_t>(c.Below(1u << 24)) - (1 << 23));
        default:
            return std::to_string(c.Below(400));
    }
}

// Names short and plain, long, unicode, quoted, or with a panel prefix.
std::string Name(Choices& c) {
    static constexpr const char* PLAIN[] = {"a", "b",  "s",  "v1", "init", "Ainit", "Binit",
                                            "!", "cb", "vM", "sp", "neck", "x.y",   "a b"};
    switch (c.Below(6)) {
        case 0: {
            const uint32_t length = 1 + c.Below(400);
            return std::string(length, static_cast<char>('a' + c.Below(26)));
        }
        case 1:
            return c.OneIn(2) ? "\xC3\xA9t\xC3\xA9" : "\xE9\x9F\xB3\xF0\x9F\x8E\xB8";
        case 2:
            return "\"" + std::string(PLAIN[c.Below(std::size(PLAIN))]) + " q\"";
        case 3:
            return Words({std::string(1, static_cast<char>('A' + c.Below(4))),
                          PLAIN[c.Below(std::size(PLAIN))]},
                         "");
        default:
            return PLAIN[c.Below(std::size(PLAIN))];
    }
}

// A small wave: rates and widths plain and hostile, tones that are quiet but for their end.
std::string Wave(Choices& c) {
    static constexpr uint32_t RATES[] = {8000, 4000, 11025, 22050, 44100, 1, 0, 192000, 7};
    static constexpr uint16_t BITS[] = {16, 8, 12, 0, 32};
    const uint32_t rate = RATES[c.Below(std::size(RATES))];
    const uint16_t bits = BITS[c.OneIn(4) ? c.Below(std::size(BITS)) : c.Below(2)];
    const uint16_t channels = c.OneIn(6) ? 2 : 1;
    const uint32_t count = c.Below(9000);
    const double period = 2 + c.Below(2000);
    const double quiet = 1 + c.Below(3000), loud = c.Below(32768);
    const uint32_t loudFrom = count - c.Below(count / 4 + 1);
    std::string data;
    for (uint32_t i = 0; i < count; ++i) {
        const double a = i >= loudFrom ? loud : quiet;
        const auto v = static_cast<int32_t>(a * std::sin(6.283185307 * i / period));
        if (bits == 8)
            data += static_cast<char>(128 + v / 256);
        else
            AppendLe16(data, static_cast<uint32_t>(v));
    }
    const uint16_t align = static_cast<uint16_t>(channels * (bits / 8 ? bits / 8 : 1));
    std::string fmt;
    AppendLe16(fmt, c.OneIn(16) ? 3 : 1);
    AppendLe16(fmt, channels);
    AppendLe32(fmt, rate);
    AppendLe32(fmt, rate * align);
    AppendLe16(fmt, align);
    AppendLe16(fmt, bits);
    std::string file = "RIFF";
    AppendLe32(file, static_cast<uint32_t>(4 + 8 + fmt.size() + 8 + data.size()));
    file += "WAVEfmt ";
    AppendLe32(file, static_cast<uint32_t>(fmt.size()));
    file += fmt + "data";
    AppendLe32(file, c.OneIn(8) ? 0xFFFFFFF0u : static_cast<uint32_t>(data.size()));
    file += data;
    if (c.OneIn(8)) file.resize(c.Below(static_cast<uint32_t>(file.size()) + 1));
    return file;
}

// A small bitmap, or a header that claims far more than its data.
std::string Picture(Choices& c) {
    static constexpr int32_t SIDES[] = {1, 4, 240, 320, 8192, 8193, 16384, 0, -1, -16384};
    const bool hostile = c.OneIn(3);
    const int32_t w =
        hostile ? SIDES[c.Below(std::size(SIDES))] : 1 + static_cast<int32_t>(c.Below(64));
    const int32_t h =
        hostile ? SIDES[c.Below(std::size(SIDES))] : 1 + static_cast<int32_t>(c.Below(64));
    const uint16_t bits = c.OneIn(2) ? 24 : 8;
    const uint32_t compression = bits == 8 && c.OneIn(2) ? 1 : 0;
    const uint32_t dataBytes = c.Below(4096);
    std::string s = "BM";
    const uint32_t colours = bits == 8 ? 2 : 0;
    const uint32_t offset = 54 + 4 * colours;
    for (uint32_t v :
         {offset + dataBytes, 0u, offset, 40u, static_cast<uint32_t>(w), static_cast<uint32_t>(h)})
        AppendLe32(s, v);
    AppendLe16(s, 1);
    AppendLe16(s, bits);
    for (uint32_t v : {compression, dataBytes, 2835u, 2835u, colours, 0u}) AppendLe32(s, v);
    for (uint32_t k = 0; k < colours; ++k) AppendLe32(s, k ? 0xFFFFFF : 0);
    for (uint32_t k = 0; k < dataBytes; ++k) s += static_cast<char>(c.Byte());
    return s;
}

struct Files {
    std::vector<std::pair<std::string, std::string>> list;  // name below the home folder, bytes
};

const char* const WAVES[] = {"a.wav", "b.wav", "sub/c.wav", "A.WAV", "./a.wav", "none.wav"};
const char* const PICTURES[] = {"p.bmp", "q.bmp", "P.BMP", "./p.bmp", "sub/../p.bmp", "none.bmp"};
const char* const INCLUDES[] = {"inc0.clx", "inc1.clx", "main.clx", "none.clx", "!"};

std::string Rect(Choices& c) { return Words({Number(c), Number(c), Number(c), Number(c)}); }

std::string FileArgument(Choices& c, const char* const* names, size_t count) {
    if (c.OneIn(5)) {
        std::string prompt = c.OneIn(3) ? (c.OneIn(2) ? "-c " : "-a ") : "";
        return prompt + "? \"*.wav;*.clx\" \"" + Name(c) + "\"";
    }
    return names[c.Below(static_cast<uint32_t>(count))];
}

// One instrument file's lines, nesting groups and panels up to depth.
void Lines(Choices& c, std::string& out, int depth, int& budget) {
    while (budget-- > 0) {
        const uint32_t kind = c.Below(24);
        std::string line;
        switch (kind) {
            case 0:
                line = Words({"d", Number(c), Number(c)});
                break;
            case 1:
                line = Words({"gr", Name(c), Rect(c)});
                break;
            case 2:
                line = Words({"ge", Name(c), Rect(c)});
                break;
            case 3:
                line = Words({"gi", Name(c), PICTURES[c.Below(std::size(PICTURES))], Rect(c)});
                break;
            case 4:
                line = Words({"gt", Name(c), Name(c), Rect(c)});
                break;
            case 5:
                line = Words({"br", Name(c), Rect(c)});
                break;
            case 6:
                line = Words({"be", Name(c), Rect(c)});
                break;
            case 7:
                line = "bh " + Name(c);
                break;
            case 8:
                line = "v " + Name(c);
                break;
            case 9:
            case 10:
                line = Words({"s", Name(c), FileArgument(c, WAVES, std::size(WAVES)), Number(c),
                              Number(c), c.OneIn(2) ? "127" : Number(c)});
                break;
            case 11:
                line = "< " + Name(c);
                break;
            case 12:
                line = Words({">", Name(c), Number(c)});
                break;
            case 13:
                line = "=b " + Words({Name(c), Name(c)}, ".");
                break;
            case 14:
                line = Words({"=i", Words({Name(c), Name(c)}, "."), Number(c)});
                break;
            case 15:
                line = Words({"=r", Words({Name(c), Name(c)}, "."), Rect(c)});
                break;
            case 16:
                line = Words({"=s", Words({Name(c), Name(c)}, "."), Name(c)});
                break;
            case 17:
                line = "i " + FileArgument(c, INCLUDES, std::size(INCLUDES));
                break;
            case 18:
            case 19:
                if (depth < 48) {
                    const bool panel = kind == 19;
                    out += panel ? Words({"[", Name(c), Rect(c)}) + "\n" : "{ " + Name(c) + "\n";
                    Lines(c, out, depth + 1, budget);
                    if (!c.OneIn(8)) out += panel ? "]\n" : "}\n";
                }
                continue;
            case 20:
                return;  // ends the current group or panel
            case 21:
                line = "# " + Name(c);
                break;
            case 22:
                line = "  " + std::string(c.OneIn(2) ? "s x a.wav 5 0 3" : "gr y 0 0 1 1");
                break;
            default:
                line = Words({Name(c), Number(c)});
                break;
        }
        out += line + "\n";
    }
}

std::string Instrument(Choices& c) {
    std::string text = c.OneIn(32) ? "CL\n" : "cl1.0 " + Name(c) + "\n";
    int budget = 1 + static_cast<int>(c.Below(80));
    Lines(c, text, 0, budget);
    return text;
}

std::string Script(Choices& c) {
    std::string s;
    const uint32_t lines = c.Below(24);
    for (uint32_t k = 0; k < lines; ++k) {
        const auto coord = [&] {
            return Words({std::to_string(c.Below(300)), std::to_string(c.Below(400))});
        };
        switch (c.Below(10)) {
            case 0:
                s += "tap " + coord();
                break;
            case 1:
                s += Words({"strum", coord(), coord(), std::to_string(c.Below(500)),
                            std::to_string(c.Below(40))});
                break;
            case 2:
                s += "wait " + std::to_string(c.Below(3000));
                break;
            case 3:
                s += "keydown " + std::to_string(c.Below(256));
                break;
            case 4:
                s += "hotkey " + std::to_string(193 + c.Below(15));
                break;
            case 5:
                s += "activate " + std::to_string(c.Below(3));
                break;
            case 6:
                s += c.OneIn(2) ? "answer /home/inc0.clx" : "cancel";
                break;
            case 7:
                s += c.OneIn(4) ? "menu open" : "menu showactive";
                break;
            case 8:
                s += Words({"down", coord(), "\nmove", coord(), "\nup"});
                break;
            default:
                s += "key " + std::to_string(c.Below(256));
                break;
        }
        s += "\n";
    }
    return s;
}

Files Generate(Choices& c, std::string& script) {
    Files files;
    files.list.emplace_back("main.clx", Instrument(c));
    files.list.emplace_back("inc0.clx", Instrument(c));
    if (c.OneIn(2)) files.list.emplace_back("inc1.clx", Instrument(c));
    files.list.emplace_back("a.wav", Wave(c));
    if (c.OneIn(2)) files.list.emplace_back("b.wav", Wave(c));
    if (c.OneIn(3)) files.list.emplace_back("sub/c.wav", Wave(c));
    files.list.emplace_back("p.bmp", Picture(c));
    if (c.OneIn(2)) files.list.emplace_back("q.bmp", Picture(c));
    script = Script(c);
    return files;
}

int64_t SlowMs() {
    const char* text = std::getenv("CHORDLANE_FUZZ_SLOW_MS");
    return text ? std::atoll(text) : 2000;
}

// How long a step would take this process on an otherwise idle machine: the lesser of the
// wall-clock time (a load copies on several threads, so its processor time may be more) and
// the processor time (a busy machine stretches the wall clock, and a run beside a build must
// not report the build as a slow load).
class Stopwatch {
  public:
    int64_t Ms() const {
        const int64_t wall = std::chrono::duration_cast<std::chrono::milliseconds>(
                                 std::chrono::steady_clock::now() - wall_)
                                 .count();
        return std::min(wall, (ProcessorNs() - processor_) / 1'000'000);
    }

  private:
    static int64_t ProcessorNs() {
        timespec t{};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
        return int64_t{t.tv_sec} * 1'000'000'000 + t.tv_nsec;
    }
    std::chrono::steady_clock::time_point wall_ = std::chrono::steady_clock::now();
    int64_t processor_ = ProcessorNs();
};

int64_t PeakResidentBytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return int64_t{usage.ru_maxrss} * 1024;
}

constexpr int64_t MEMORY_LIMIT = int64_t{1} << 30;

// Loads and plays one generated instrument; the reason it is a finding, or empty.
std::string RunOne(const uint8_t* data, size_t size, int64_t workLimit,
                   const char* writeTo = nullptr) {
    Choices choices(data, size);
    std::string script;
    const Files files = Generate(choices, script);
    if (writeTo) {
        for (const auto& [name, bytes] : files.list) {
            const std::string path = std::string(writeTo) + "/" + name;
            if (name.find('/') != std::string::npos) {
                const std::string folder = path.substr(0, path.rfind('/'));
                std::string command = "mkdir -p '" + folder + "'";
                if (std::system(command.c_str()) != 0) return {};
            }
            std::ofstream(path, std::ios::binary) << bytes;
        }
        std::ofstream(std::string(writeTo) + "/script.txt") << script;
    }

    chordlane::HeadlessPlatform platform;
    chordlane::MemoryFileSystem memory;
    for (const auto& [name, bytes] : files.list)
        memory.Add(u"/home/" + chordlane::FromUtf8(name), bytes);
    memory.AddFolder(u"/program");
    const std::unique_ptr<chordlane::PictureLoader> pictures =
        chordlane::MakeHeadlessPictureLoader(memory);
    platform.services.files = &memory;
    platform.services.pictures = pictures.get();
    std::string finding;
    {
        chordlane::Instrument instrument(platform.services);
        instrument.SetScreen(240, 320);
        instrument.load.homeFolder = u"/home/";
        instrument.load.programFolder = u"/program/";
        instrument.budgets.work.SetLimit(workLimit);
        const Stopwatch load;
        const chordlane::OpenResult opened =
            chordlane::OpenInstrument(instrument, String(u"/home/main.clx"), nullptr);
        const int64_t loadMs = load.Ms();
        if (loadMs > SlowMs()) finding = "load took " + std::to_string(loadMs) + " ms";
        const int64_t held = instrument.memory.samples.Held() + instrument.memory.pictures.Held();
        if (held > MEMORY_LIMIT) finding = "load holds " + std::to_string(held) + " bytes";
        if (finding.empty() && opened.outcome == chordlane::OpenResult::Outcome::Loaded) {
            chordlane::InstrumentView view(instrument);
            chordlane::RecordingSurface surface;
            view.Paint(surface);
            std::string error;
            const chordlane::tool::ScriptLimits limits{.maxMs = 5'000, .maxMoves = 5'000};
            const Stopwatch run;
            chordlane::tool::RunScriptText(script, view, platform.clock, platform.dialogs, error,
                                           limits);
            view.Paint(surface);
            const int64_t scriptMs = run.Ms();
            if (scriptMs > SlowMs()) finding = "script took " + std::to_string(scriptMs) + " ms";
        }
        instrument.DeleteTree();
    }
    if (finding.empty() && PeakResidentBytes() > MEMORY_LIMIT)
        finding = "peak resident " + std::to_string(PeakResidentBytes()) + " bytes";
    return finding;
}

// RunOne, with a slow run run again: a time is a finding only when it repeats. A shared
// machine can stall a process for seconds (a virtual machine's host counts the stall as our
// processor time too), and such a stall says nothing about the input.
std::string RunConfirmed(const uint8_t* data, size_t size, int64_t workLimit,
                         const char* writeTo = nullptr) {
    std::string finding = RunOne(data, size, workLimit, writeTo);
    if (finding.find(" took ") == std::string::npos) return finding;
    const std::string again = RunOne(data, size, workLimit);
    if (again.find(" took ") == std::string::npos) {
        std::fprintf(stderr, "fuzz_grammar: %s once, not again (%s); not a finding\n",
                     finding.c_str(), again.empty() ? "quick" : again.c_str());
        return again;
    }
    return finding + ", then " + again.substr(again.find(" took ") + 6);
}

}  // namespace

#ifndef CHORDLANE_GRAMMAR_DRIVER

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 64 * 1024) return -1;
    // A sample operation costs the sanitizers close to a hundred times what it costs the
    // release build: at the program's own work limit one costly input holds the fuzzer for
    // a minute. The time bound itself is the release driver's to check; here a smaller limit
    // keeps the paths past it as reachable and each input quick.
    const std::string finding = RunConfirmed(data, size, chordlane::DEFAULT_LOAD_WORK_LIMIT / 32);
    if (!finding.empty()) {
        std::fprintf(stderr, "fuzz_grammar finding: %s\n", finding.c_str());
        std::abort();
    }
    return 0;
}

#else

int main(int argc, char** argv) {
    if (argc >= 3 && std::string_view(argv[1]) == "--replay") {
        std::ifstream in(argv[2], std::ios::binary);
        const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in),
                                         std::istreambuf_iterator<char>()};
        const std::string finding =
            RunConfirmed(bytes.data(), bytes.size(), chordlane::DEFAULT_LOAD_WORK_LIMIT,
                         argc > 3 ? argv[3] : nullptr);
        std::printf("%s\n", finding.empty() ? "ok" : finding.c_str());
        return finding.empty() ? 0 : 1;
    }
    const double seconds = argc > 1 ? std::atof(argv[1]) : 60;
    const uint64_t seed = argc > 2 ? std::strtoull(argv[2], nullptr, 10) : std::random_device{}();
    const std::string outDir = argc > 3 ? argv[3] : ".";
    std::mt19937_64 random(seed);
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    uint64_t runs = 0, findings = 0;
    int64_t slowestMs = 0;
    while (std::chrono::steady_clock::now() < end) {
        std::vector<uint8_t> bytes(64 + random() % 4096);
        for (uint8_t& b : bytes) b = static_cast<uint8_t>(random());
        const Stopwatch one;
        const std::string finding =
            RunConfirmed(bytes.data(), bytes.size(), chordlane::DEFAULT_LOAD_WORK_LIMIT);
        slowestMs = std::max(slowestMs, one.Ms());
        ++runs;
        if (!finding.empty()) {
            const std::string path =
                outDir + "/grammar-" + std::to_string(seed) + "-" + std::to_string(runs) + ".bin";
            std::ofstream(path, std::ios::binary)
                .write(reinterpret_cast<const char*>(bytes.data()),
                       static_cast<std::streamsize>(bytes.size()));
            std::printf("finding: %s (saved as %s)\n", finding.c_str(), path.c_str());
            ++findings;
        }
    }
    std::printf(
        "fuzz_grammar: seed %llu, %.0f s, %llu runs, %llu findings, slowest %lld ms, "
        "peak resident %lld MB\n",
        static_cast<unsigned long long>(seed), seconds, static_cast<unsigned long long>(runs),
        static_cast<unsigned long long>(findings), static_cast<long long>(slowestMs),
        static_cast<long long>(PeakResidentBytes() >> 20));
    return findings ? 1 : 0;
}

#endif
