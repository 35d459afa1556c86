#include "import/SfzLibrary.h"

#include <samplerate.h>
#include <sndfile.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>
#include <set>

namespace chordlane {

// Bounds that keep a hostile library from taking unbounded time or memory.
namespace {
constexpr int MAX_INCLUDE_DEPTH = 8;
constexpr size_t MAX_FILE_BYTES = 4u << 20;
constexpr size_t MAX_TOTAL_BYTES = 32u << 20;  // all files read, includes counted each time
constexpr size_t MAX_REGIONS = 16384;
constexpr size_t MAX_DEFINES = 1024;
constexpr size_t MAX_LINE_BYTES = 64u << 10;  // a line after its defines are substituted
constexpr int64_t MAX_SAMPLE_FRAMES = 16 << 20;
constexpr int MAX_SAMPLE_CHANNELS = 64;
constexpr size_t MAX_DECODED_FRAMES = 64u << 20;  // all samples held at once
constexpr int64_t MAX_SOURCE_FRAMES = 8 << 20;    // what one note may read of its sample
constexpr double MAX_STEP = 64.0;                 // source frames per output frame
constexpr double MAX_ONE_SHOT_SECONDS = 20.0;
constexpr double MAX_ENVELOPE_SECONDS = 100.0;

struct Opcode {
    std::string name;
    std::string value;
    std::string where;
};

bool IsNameChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '$';
}

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f'; }

std::string Trim(std::string_view text) {
    size_t b = 0, e = text.size();
    while (b < e && IsSpace(text[b])) ++b;
    while (e > b && IsSpace(text[e - 1])) --e;
    return std::string(text.substr(b, e - b));
}

// Text of the library quoted in a warning: a hostile line must not make a huge message.
std::string Clip(const std::string& text) {
    return text.size() <= 60 ? text : text.substr(0, 57) + "...";
}

std::string ToLower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::optional<double> ParseReal(const std::string& text) {
    double value = 0;
    const char* b = text.data();
    const char* e = b + text.size();
    const auto [end, ec] = std::from_chars(b, e, value);
    if (ec != std::errc() || end == b || !std::isfinite(value)) return std::nullopt;
    return value;
}

std::optional<int64_t> ParseWhole(const std::string& text) {
    int64_t value = 0;
    const char* b = text.data();
    const char* e = b + text.size();
    const auto [end, ec] = std::from_chars(b, e, value);
    if (ec != std::errc() || end == b) return std::nullopt;
    return value;  // trailing text such as a fraction is ignored, as players do
}

// Reads the SFZ text of a file and its includes into a flat list of headers and opcodes.
class SfzReader {
  public:
    SfzReader(const LibraryWarning& warn, std::string& reason) : warn_(warn), reason_(reason) {}

    struct Item {
        bool header = false;
        std::string name;  // header name, or opcode name
        std::string value;
        std::string where;
    };

    bool ReadFile(const std::filesystem::path& path, int depth, const std::string& from) {
        if (overTotal_) return true;
        if (depth > MAX_INCLUDE_DEPTH) {
            if (!overDepth_) {
                Warn(from + ": includes nest deeper than " + std::to_string(MAX_INCLUDE_DEPTH) +
                     " files; '" + Clip(path.string()) + "' and the like are left out");
            }
            overDepth_ = true;
            return true;
        }
        // A file that includes itself, directly or through others, would be read again at
        // every level down to the depth limit, doubling with each include line: left out.
        std::error_code canonicalError;
        std::filesystem::path key = std::filesystem::weakly_canonical(path, canonicalError);
        if (canonicalError) key = path;
        if (std::find(reading_.begin(), reading_.end(), key) != reading_.end()) {
            Warn(from + ": '" + Clip(path.string()) + "' includes itself and is left out");
            return true;
        }
        std::ifstream in(path, std::ios::binary);
        std::error_code ec;
        if (!in || std::filesystem::is_directory(path, ec)) {
            if (depth == 0) {
                reason_ = "cannot open " + path.string();
                return false;
            }
            Warn(from + ": cannot open the included file '" + path.string() + "'");
            return true;
        }
        std::string text;
        char chunk[65536];
        while (in.read(chunk, sizeof chunk) || in.gcount() > 0) {
            text.append(chunk, static_cast<size_t>(in.gcount()));
            if (text.size() > MAX_FILE_BYTES) {
                if (depth == 0) {
                    reason_ = path.string() + " is larger than 4 MiB";
                    return false;
                }
                Warn(from + ": the included file '" + path.string() +
                     "' is larger than 4 MiB and is left out");
                return true;
            }
        }
        reading_.push_back(key);
        const bool read = ReadText(path, text, depth);
        reading_.pop_back();
        return read;
    }

    bool ReadText(const std::filesystem::path& path, const std::string& text, int depth) {
        totalBytes_ += text.size();
        const std::string file = path.string();
        bool inComment = false;
        size_t lineNumber = 0;
        // Editors on some systems begin UTF-8 text with a byte-order mark.
        const size_t first = text.starts_with("\xEF\xBB\xBF") ? 3 : 0;
        for (size_t pos = first; pos <= text.size();) {
            size_t eol = text.find('\n', pos);
            if (eol == std::string::npos) eol = text.size();
            std::string line = text.substr(pos, eol - pos);
            pos = eol + 1;
            ++lineNumber;
            const std::string where = file + ":" + std::to_string(lineNumber);
            if (totalBytes_ > MAX_TOTAL_BYTES) {
                if (!overTotal_) {
                    Warn(where +
                         ": the library's text adds up to more than 32 MiB with its "
                         "includes and defines; the rest is left out");
                }
                overTotal_ = true;
                break;
            }
            line = StripComments(line, inComment);
            const std::string trimmed = Trim(line);
            if (trimmed.starts_with("#define")) {
                Define(trimmed.substr(7), where);
                continue;
            }
            if (trimmed.starts_with("#include")) {
                const std::string rest = Trim(trimmed.substr(8));
                const size_t q1 = rest.find('"');
                const size_t q2 = q1 == std::string::npos ? q1 : rest.find('"', q1 + 1);
                if (q2 == std::string::npos) {
                    Warn(where + ": #include wants a file name in double quotes");
                    continue;
                }
                std::string name = Substitute(rest.substr(q1 + 1, q2 - q1 - 1), where);
                // The system cuts a file name at a NUL: another file than the one named.
                if (name.empty() || name.find('\0') != std::string::npos) {
                    Warn(where + ": #include names no file it could open");
                    continue;
                }
                std::replace(name.begin(), name.end(), '\\', '/');
                std::filesystem::path included = path.parent_path() / name;
                std::error_code ec;
                if (!std::filesystem::exists(included, ec) && !root_.empty()) {
                    included = root_ / name;  // some libraries write includes from the top
                }
                if (!ReadFile(included, depth + 1, where)) return false;
                continue;
            }
            Scan(Substitute(line, where), where);
            if (pos > text.size()) break;
        }
        return true;
    }

    void SetRoot(const std::filesystem::path& root) { root_ = root; }
    const std::vector<Item>& Items() const { return items_; }
    void Warn(const std::string& text) { warn_(text); }

  private:
    std::string StripComments(const std::string& line, bool& inComment) {
        std::string out;
        for (size_t i = 0; i < line.size(); ++i) {
            if (inComment) {
                if (line.compare(i, 2, "*/") == 0) {
                    inComment = false;
                    ++i;
                }
                continue;
            }
            if (line.compare(i, 2, "/*") == 0) {
                inComment = true;
                ++i;
                continue;
            }
            if (line.compare(i, 2, "//") == 0) break;
            out.push_back(line[i]);
        }
        return out;
    }

    void Define(const std::string& rest, const std::string& where) {
        const std::string body = Trim(rest);
        size_t n = 0;
        while (n < body.size() && !IsSpace(body[n])) ++n;
        const std::string name = body.substr(0, n);
        if (name.size() < 2 || name[0] != '$') {
            Warn(where + ": #define wants a $NAME and its value");
            return;
        }
        if (defines_.size() >= MAX_DEFINES && !defines_.count(name)) {
            Warn(where + ": more than " + std::to_string(MAX_DEFINES) + " #defines; " + name +
                 " is left out");
            return;
        }
        // A value is substituted once, when it is defined, so definitions cannot expand
        // into each other without end.
        defines_[name] = Substitute(Trim(body.substr(n)), where);
    }

    // Replaces every $NAME with its value, the longest defined name first, in one pass.
    std::string Substitute(const std::string& line, const std::string& where) {
        if (defines_.empty() || line.find('$') == std::string::npos) return line;
        std::string out;
        for (size_t i = 0; i < line.size();) {
            if (line[i] == '$') {
                size_t n = i + 1;
                while (n < line.size() && IsNameChar(line[n]) && line[n] != '$') ++n;
                const std::string* value = nullptr;
                size_t used = 0;
                for (size_t len = n - i; len >= 2 && !value; --len) {
                    const auto it = defines_.find(line.substr(i, len));
                    if (it != defines_.end()) value = &it->second, used = len;
                }
                if (value) {
                    out += *value;
                    i += used;
                } else {
                    out.push_back(line[i++]);
                }
            } else {
                out.push_back(line[i++]);
            }
            if (out.size() > MAX_LINE_BYTES) {
                if (!overLine_) {
                    Warn(where +
                         ": the line is longer than 64 KiB after its $ names are "
                         "replaced; the rest is left out");
                }
                overLine_ = true;
                break;
            }
        }
        // What substitution makes counts as read, so defines cannot multiply the work.
        totalBytes_ += out.size();
        return out;
    }

    // Headers "<name>" and opcodes "name=value": a value runs to the next header, the next
    // opcode (a word directly followed by '=') or the end of the line, so sample paths may
    // hold spaces.
    void Scan(const std::string& line, const std::string& where) {
        size_t i = 0;
        while (i < line.size()) {
            if (IsSpace(line[i])) {
                ++i;
                continue;
            }
            if (line[i] == '<') {
                const size_t close = line.find('>', i);
                if (close == std::string::npos) {
                    Warn(where + ": a header without its closing '>'");
                    return;
                }
                items_.push_back({true, ToLower(line.substr(i + 1, close - i - 1)), "", where});
                i = close + 1;
                continue;
            }
            size_t eq = i;
            while (eq < line.size() && IsNameChar(line[eq])) ++eq;
            if (eq == i || eq >= line.size() || line[eq] != '=') {
                size_t skip = i;
                while (skip < line.size() && !IsSpace(line[skip])) ++skip;
                Warn(where + ": cannot read '" + Clip(line.substr(i, skip - i)) +
                     "' (no name=value)");
                i = skip;
                continue;
            }
            size_t end = eq + 1;
            while (end < line.size() && line[end] != '<' && !StartsOpcode(line, end)) ++end;
            items_.push_back(
                {false, line.substr(i, eq - i), Trim(line.substr(eq + 1, end - eq - 1)), where});
            i = end;
        }
    }

    static bool StartsOpcode(const std::string& line, size_t at) {
        if (!IsSpace(line[at])) return false;
        size_t n = at;
        while (n < line.size() && IsSpace(line[n])) ++n;
        const size_t name = n;
        while (n < line.size() && IsNameChar(line[n])) ++n;
        return n > name && n < line.size() && line[n] == '=';
    }

    const LibraryWarning& warn_;
    std::string& reason_;
    std::filesystem::path root_;
    // The files being read, the outermost first, to refuse an include of one of them.
    std::vector<std::filesystem::path> reading_;
    std::map<std::string, std::string> defines_;
    std::vector<Item> items_;
    size_t totalBytes_ = 0;
    bool overTotal_ = false;
    bool overLine_ = false;
    bool overDepth_ = false;
};

// Applies opcodes to regions, warning once per opcode name it does not know.
class RegionBuilder {
  public:
    RegionBuilder(const std::filesystem::path& folder, const LibraryWarning& warn)
        : folder_(folder), warn_(warn) {}

    void Apply(SfzRegion& region, const Opcode& op) {
        const std::string& v = op.value;
        const std::string name = op.name;
        auto key = [&](int& field) {
            const int note = ParseSfzKey(v);
            if (note < 0) return Bad(op, "a note number or name");
            field = note;
        };
        auto whole = [&](auto& field, int64_t low, int64_t high) {
            const auto value = ParseWhole(v);
            if (!value) return Bad(op, "a whole number");
            field = static_cast<std::remove_reference_t<decltype(field)>>(
                std::clamp<int64_t>(*value, low, high));
        };
        auto real = [&](double& field, double low, double high) {
            const auto value = ParseReal(v);
            if (!value) return Bad(op, "a number");
            field = std::clamp(*value, low, high);
        };
        if (name == "sample") {
            std::string path = defaultPath_ + v;
            std::replace(path.begin(), path.end(), '\\', '/');
            region.sample = (folder_ / path).lexically_normal().string();
        } else if (name == "key") {
            int note = -1;
            key(note);
            if (note >= 0) region.lokey = region.hikey = region.keycenter = note;
        } else if (name == "lokey") {
            key(region.lokey);
        } else if (name == "hikey") {
            key(region.hikey);
        } else if (name == "pitch_keycenter") {
            key(region.keycenter);
        } else if (name == "pitch_keytrack") {
            real(region.pitchKeytrack, -1200, 1200);
        } else if (name == "tune") {
            real(region.tune, -9600, 9600);
        } else if (name == "transpose") {
            whole(region.transpose, -127, 127);
        } else if (name == "lovel") {
            whole(region.lovel, 0, 127);
        } else if (name == "hivel") {
            whole(region.hivel, 0, 127);
        } else if (name == "volume") {
            real(region.volume, -144, 48);
        } else if (name == "amp_veltrack") {
            real(region.ampVeltrack, -100, 100);
        } else if (name == "offset") {
            whole(region.offset, 0, INT64_MAX);
        } else if (name == "end") {
            whole(region.end, -1, INT64_MAX);
        } else if (name == "loop_mode" || name == "loopmode") {
            if (v == "no_loop") {
                region.loopMode = SfzRegion::LoopMode::NoLoop;
            } else if (v == "one_shot") {
                region.loopMode = SfzRegion::LoopMode::OneShot;
            } else if (v == "loop_continuous") {
                region.loopMode = SfzRegion::LoopMode::Continuous;
            } else if (v == "loop_sustain") {
                region.loopMode = SfzRegion::LoopMode::Sustain;
            } else {
                Bad(op, "no_loop, one_shot, loop_continuous or loop_sustain");
            }
        } else if (name == "loop_start" || name == "loopstart") {
            whole(region.loopStart, 0, INT64_MAX);
        } else if (name == "loop_end" || name == "loopend") {
            whole(region.loopEnd, 0, INT64_MAX);
        } else if (name == "trigger") {
            if (v == "attack") {
                region.trigger = SfzRegion::Trigger::Attack;
            } else if (v == "release") {
                region.trigger = SfzRegion::Trigger::Release;
            } else if (v == "first") {
                region.trigger = SfzRegion::Trigger::First;
            } else if (v == "legato") {
                region.trigger = SfzRegion::Trigger::Legato;
            } else {
                Bad(op, "attack, release, first or legato");
            }
        } else if (name == "ampeg_attack") {
            real(region.attack, 0, MAX_ENVELOPE_SECONDS);
        } else if (name == "ampeg_hold") {
            real(region.hold, 0, MAX_ENVELOPE_SECONDS);
        } else if (name == "ampeg_decay") {
            real(region.decay, 0, MAX_ENVELOPE_SECONDS);
        } else if (name == "ampeg_sustain") {
            real(region.sustain, 0, 100);
        } else if (name == "ampeg_release") {
            real(region.release, 0, MAX_ENVELOPE_SECONDS);
        } else {
            Unknown(op);
        }
    }

    //! Control opcodes take effect for the rest of the file.
    void ApplyControl(const Opcode& op) {
        if (op.name == "default_path") {
            defaultPath_ = op.value;
            std::replace(defaultPath_.begin(), defaultPath_.end(), '\\', '/');
            if (!defaultPath_.empty() && defaultPath_.back() != '/') defaultPath_ += '/';
        } else {
            Unknown(op);
        }
    }

    void Unknown(const Opcode& op) {
        if (known_.insert(op.name).second) {
            warn_(op.where + ": unknown opcode '" + Clip(op.name) + "' is ignored");
        }
    }

  private:
    // An opcode of a group is applied to each of its regions; it is told of once.
    void Bad(const Opcode& op, const std::string& wanted) {
        const std::string text =
            op.where + ": '" + op.name + "' wants " + wanted + ", not '" + Clip(op.value) + "'";
        if (told_.insert(text).second) warn_(text);
    }

    std::filesystem::path folder_;
    const LibraryWarning& warn_;
    std::string defaultPath_;
    std::set<std::string> known_;
    std::set<std::string> told_;
};

}  // namespace

int ParseSfzKey(const std::string& text) {
    const std::string t = Trim(text);
    if (t.empty()) return -1;
    if (std::isdigit(static_cast<unsigned char>(t[0])) || t[0] == '-') {
        const auto value = ParseWhole(t);
        if (!value || *value < 0 || *value > 127) return -1;
        return static_cast<int>(*value);
    }
    static constexpr int kSemitones[] = {9, 11, 0, 2, 4, 5, 7};  // a b c d e f g
    const char letter = static_cast<char>(std::tolower(static_cast<unsigned char>(t[0])));
    if (letter < 'a' || letter > 'g') return -1;
    int semitone = kSemitones[letter - 'a'];
    size_t i = 1;
    if (i < t.size() && t[i] == '#') {
        ++semitone, ++i;
    } else if (i < t.size() && t[i] == 'b') {
        --semitone, ++i;
    }
    const std::string octaveText = t.substr(i);
    if (octaveText.empty()) return -1;
    int octave = 0;
    const auto [end, ec] =
        std::from_chars(octaveText.data(), octaveText.data() + octaveText.size(), octave);
    if (ec != std::errc() || end != octaveText.data() + octaveText.size()) return -1;
    if (octave < -1 || octave > 9) return -1;
    const int note = (octave + 1) * 12 + semitone;
    return note >= 0 && note <= 127 ? note : -1;
}

struct SfzLibrary::DecodedSample {
    std::vector<float> frames;  // mono
    uint32_t rate = 0;
    int64_t loopStart = -1;  // from the file's own loop, if it has one
    int64_t loopEnd = -1;    // its last frame
    bool ok = false;
};

SfzLibrary::~SfzLibrary() = default;

std::unique_ptr<SfzLibrary> SfzLibrary::Open(const std::string& path, std::string& reason,
                                             const LibraryWarning& warn) {
    return Parse(path, std::string(), reason, warn);
}

std::unique_ptr<SfzLibrary> SfzLibrary::Parse(const std::string& path, const std::string& text,
                                              std::string& reason, const LibraryWarning& warn) {
    const std::filesystem::path file(path);
    SfzReader reader(warn, reason);
    reader.SetRoot(file.parent_path());
    const bool read =
        text.empty() ? reader.ReadFile(file, 0, path) : reader.ReadText(file, text, 0);
    if (!read) return nullptr;

    auto library = std::unique_ptr<SfzLibrary>(new SfzLibrary());
    library->warn_ = warn;
    library->name_ = file.stem().string();
    RegionBuilder builder(file.parent_path(), warn);
    enum class Level { None, Control, Global, Master, Group, Region } level = Level::None;
    std::vector<Opcode> global, master, group, region;
    std::string regionWhere;
    bool regionOpen = false;
    bool tooMany = false;
    auto close = [&] {
        if (!regionOpen) return;
        regionOpen = false;
        if (library->regions_.size() >= MAX_REGIONS) {
            if (!tooMany)
                warn(regionWhere + ": more than " + std::to_string(MAX_REGIONS) +
                     " regions; the rest are left out");
            tooMany = true;
            return;
        }
        SfzRegion r;
        r.where = regionWhere;
        for (const auto* list : {&global, &master, &group, &region}) {
            for (const Opcode& op : *list) builder.Apply(r, op);
        }
        if (r.sample.empty()) {
            warn(regionWhere + ": a region without a sample is left out");
            return;
        }
        library->regions_.push_back(std::move(r));
    };
    for (const SfzReader::Item& item : reader.Items()) {
        if (item.header) {
            close();
            if (item.name == "control") {
                level = Level::Control;
            } else if (item.name == "global") {
                level = Level::Global, global.clear(), master.clear(), group.clear();
            } else if (item.name == "master") {
                level = Level::Master, master.clear(), group.clear();
            } else if (item.name == "group") {
                level = Level::Group, group.clear();
            } else if (item.name == "region") {
                level = Level::Region, region.clear(), regionOpen = true, regionWhere = item.where;
            } else {
                // Headers of other kinds (<curve>, <effect>, <midi>) hold nothing a note needs.
                builder.Unknown({"<" + item.name + ">", "", item.where});
                level = Level::None;
            }
            continue;
        }
        const Opcode op{item.name, item.value, item.where};
        switch (level) {
            case Level::Control:
                builder.ApplyControl(op);
                break;
            case Level::Global:
                global.push_back(op);
                break;
            case Level::Master:
                master.push_back(op);
                break;
            case Level::Group:
                group.push_back(op);
                break;
            case Level::Region:
                region.push_back(op);
                break;
            case Level::None:
                break;
        }
        // Opcodes outside a region would otherwise never be looked at: check them now.
        if (level != Level::Region && level != Level::Control && level != Level::None) {
            SfzRegion scratch;
            builder.Apply(scratch, op);
        }
    }
    close();
    if (library->regions_.empty()) {
        reason = path + " holds no region with a sample";
        return nullptr;
    }
    return library;
}

std::vector<LibraryPreset> SfzLibrary::Presets() { return {{0, 0, name_}}; }

bool SfzLibrary::Selects(const SfzRegion& region, int note, SfzRegion::Trigger when) {
    // A single press is the first note and never a legato one.
    using Trigger = SfzRegion::Trigger;
    const bool sounds = when == Trigger::Release
                            ? region.trigger == Trigger::Release
                            : region.trigger == Trigger::Attack || region.trigger == Trigger::First;
    return sounds && note >= region.lokey && note <= region.hikey &&
           IMPORT_VELOCITY >= region.lovel && IMPORT_VELOCITY <= region.hivel;
}

std::vector<int> SfzLibrary::Notes(const LibraryPreset&) {
    std::vector<int> notes;
    for (int note = 0; note <= 127; ++note) {
        for (const SfzRegion& region : regions_) {
            if (Selects(region, note, SfzRegion::Trigger::Attack)) {
                notes.push_back(note);
                break;
            }
        }
    }
    return notes;
}

bool SfzLibrary::IsPercussion(const LibraryPreset&) {
    return std::all_of(regions_.begin(), regions_.end(), [](const SfzRegion& region) {
        return region.loopMode == SfzRegion::LoopMode::OneShot;
    });
}

const SfzLibrary::DecodedSample* SfzLibrary::Decode(const std::string& path) {
    const auto found = samples_.find(path);
    if (found != samples_.end()) return found->second->ok ? found->second.get() : nullptr;
    auto sample = std::make_unique<DecodedSample>();
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (!file) {
        warn_(path + ": cannot load the sample: " + sf_strerror(nullptr));
    } else if (info.channels < 1 || info.channels > MAX_SAMPLE_CHANNELS || info.samplerate < 1 ||
               info.frames < 0 || info.frames > MAX_SAMPLE_FRAMES) {
        warn_(path + ": the sample is longer than " + std::to_string(MAX_SAMPLE_FRAMES) +
              " frames or has more than " + std::to_string(MAX_SAMPLE_CHANNELS) +
              " channels, and is left out");
    } else {
        if (decodedFrames_ + static_cast<size_t>(info.frames) > MAX_DECODED_FRAMES) {
            // Notes are rendered one after another: samples decoded for earlier notes can go.
            samples_.clear();
            decodedFrames_ = 0;
        }
        const size_t channels = static_cast<size_t>(info.channels);
        std::vector<float> block(4096 * channels);
        sample->frames.reserve(static_cast<size_t>(info.frames));
        for (sf_count_t n; (n = sf_readf_float(file, block.data(), 4096)) > 0;) {
            for (sf_count_t f = 0; f < n; ++f) {
                float sum = 0;
                for (size_t c = 0; c < channels; ++c) sum += block[f * channels + c];
                sample->frames.push_back(sum / static_cast<float>(channels));
            }
            if (static_cast<int64_t>(sample->frames.size()) >= MAX_SAMPLE_FRAMES) break;
        }
        sample->rate = static_cast<uint32_t>(info.samplerate);
        SF_INSTRUMENT instrument{};
        if (sf_command(file, SFC_GET_INSTRUMENT, &instrument, sizeof instrument) == SF_TRUE &&
            instrument.loop_count > 0) {
            sample->loopStart = instrument.loops[0].start;
            sample->loopEnd = static_cast<int64_t>(instrument.loops[0].end) - 1;
        }
        sample->ok = !sample->frames.empty();
        decodedFrames_ += sample->frames.size();
    }
    if (file) sf_close(file);
    const DecodedSample* result = sample->ok ? sample.get() : nullptr;
    samples_[path] = std::move(sample);
    return result;
}

std::vector<float> SfzLibrary::RenderRegion(const SfzRegion& region, int note) {
    const DecodedSample* sample = Decode(region.sample);
    if (!sample) return {};
    const std::vector<float>& in = sample->frames;
    const int64_t frames = static_cast<int64_t>(in.size());
    const int64_t start = std::min(region.offset, frames - 1);
    const int64_t stop = region.end >= 0 ? std::min(region.end + 1, frames) : frames;
    if (stop <= start) return {};

    using LoopMode = SfzRegion::LoopMode;
    int64_t loopStart = region.loopStart >= 0 ? region.loopStart : sample->loopStart;
    int64_t loopEnd = region.loopEnd >= 0 ? region.loopEnd : sample->loopEnd;
    LoopMode mode = region.loopMode;
    if (mode == LoopMode::Unset) {
        mode = sample->loopStart >= 0 ? LoopMode::Continuous : LoopMode::NoLoop;
    }
    const bool loops = mode == LoopMode::Continuous || mode == LoopMode::Sustain;
    if (loops && (loopStart < start || loopEnd <= loopStart || loopEnd >= stop)) {
        warn_(region.where + ": the loop " + std::to_string(loopStart) + " to " +
              std::to_string(loopEnd) + " lies outside the sample's frames " +
              std::to_string(start) + " to " + std::to_string(stop - 1) + "; it plays unlooped");
        mode = LoopMode::NoLoop;
    }

    const double cents =
        (note - region.keycenter) * region.pitchKeytrack + region.transpose * 100.0 + region.tune;
    const double step = std::pow(2.0, cents / 1200.0) * sample->rate / IMPORT_RATE;
    if (!(step > 1.0 / MAX_STEP && step < MAX_STEP)) {
        warn_(region.where + ": note " + std::to_string(note) +
              " lies too far from the sample's pitch to be rendered");
        return {};
    }

    const double held = IMPORT_HELD_SECONDS * IMPORT_RATE;
    const double release = std::min(region.release, IMPORT_RELEASE_SECONDS) * IMPORT_RATE;
    double outFrames = mode == LoopMode::OneShot ? MAX_ONE_SHOT_SECONDS * IMPORT_RATE
                                                 : held + std::max(release, 1.0);
    const int64_t wanted =
        std::min<int64_t>(static_cast<int64_t>(outFrames * step) + 16, MAX_SOURCE_FRAMES);

    // The source as a press plays it, loops unrolled, at the sample's own rate.
    std::vector<float> source;
    source.reserve(static_cast<size_t>(wanted));
    const int64_t heldSource = static_cast<int64_t>(held * step);
    int64_t pos = start;
    while (static_cast<int64_t>(source.size()) < wanted && pos < stop) {
        source.push_back(in[static_cast<size_t>(pos)]);
        ++pos;
        const bool looping =
            mode == LoopMode::Continuous ||
            (mode == LoopMode::Sustain && static_cast<int64_t>(source.size()) < heldSource);
        if (looping && pos > loopEnd) pos = loopStart;
    }

    SRC_DATA data{};
    std::vector<float> out(static_cast<size_t>(static_cast<double>(source.size()) / step) + 64);
    data.data_in = source.data();
    data.input_frames = static_cast<long>(source.size());
    data.data_out = out.data();
    data.output_frames = static_cast<long>(out.size());
    data.src_ratio = 1.0 / step;
    if (const int error = src_simple(&data, SRC_SINC_MEDIUM_QUALITY, 1)) {
        warn_(region.where + ": cannot pitch the sample: " + src_strerror(error));
        return {};
    }
    out.resize(static_cast<size_t>(data.output_frames_gen));
    if (out.size() > static_cast<size_t>(outFrames)) out.resize(static_cast<size_t>(outFrames));

    // Velocity: 100 % tracking makes the gain the square of velocity / 127.
    const double v = IMPORT_VELOCITY / 127.0;
    const double t = region.ampVeltrack / 100.0;
    const double curve = t >= 0 ? v * v : (1 - v) * (1 - v);
    const double gain = std::pow(10.0, region.volume / 20.0) * (1.0 + std::abs(t) * (curve - 1.0));

    const double attack = region.attack * IMPORT_RATE;
    const double hold = region.hold * IMPORT_RATE;
    const double decay = region.decay * IMPORT_RATE;
    const double sustain = region.sustain / 100.0;
    double level = 0;
    for (size_t i = 0; i < out.size(); ++i) {
        const double f = static_cast<double>(i);
        if (mode != LoopMode::OneShot && f >= held) {
            const double r = (f - held) / std::max(release, 1.0);
            if (r >= 1.0) {
                out.resize(i);
                break;
            }
            out[i] = static_cast<float>(out[i] * gain * level * (1.0 - r));
            continue;
        }
        if (f < attack) {
            level = f / attack;
        } else if (f < attack + hold) {
            level = 1.0;
        } else if (f < attack + hold + decay) {
            level = 1.0 - (1.0 - sustain) * (f - attack - hold) / decay;
        } else {
            level = sustain;
        }
        out[i] = static_cast<float>(out[i] * gain * level);
    }
    return out;
}

std::vector<float> SfzLibrary::RenderNote(const LibraryPreset&, int note) {
    std::vector<float> mix;
    auto add = [&mix](const std::vector<float>& sound, size_t at) {
        if (at + sound.size() > mix.size()) mix.resize(at + sound.size(), 0.0f);
        for (size_t i = 0; i < sound.size(); ++i) mix[at + i] += sound[i];
    };
    for (const SfzRegion& region : regions_) {
        if (Selects(region, note, SfzRegion::Trigger::Attack)) add(RenderRegion(region, note), 0);
    }
    // What the key's release sounds (a damper, a fret noise), where the held press ends. The
    // key is already up when it starts, so its sample plays once through, unlooped.
    const size_t released = static_cast<size_t>(IMPORT_HELD_SECONDS * IMPORT_RATE);
    for (const SfzRegion& region : regions_) {
        if (!Selects(region, note, SfzRegion::Trigger::Release)) continue;
        SfzRegion once = region;
        once.loopMode = SfzRegion::LoopMode::OneShot;
        add(RenderRegion(once, note), released);
    }
    return mix;
}

}  // namespace chordlane
