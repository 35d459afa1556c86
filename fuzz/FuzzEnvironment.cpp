#include "fuzz/FuzzEnvironment.h"

#include <cmath>

#include "app/OpenFlow.h"
#include "platform/LittleEndian.h"
#include "platform/Text.h"
#include "platform/std/StdFileSystem.h"

namespace chordlane::fuzz {

namespace {

void PutText(std::vector<uint8_t>& out, std::string_view text) {
    out.insert(out.end(), text.begin(), text.end());
}

bool EndsWithIgnoringCase(const String& path, std::u16string_view suffix) {
    return path.size() >= suffix.size() &&
           SameNameIgnoringCase(std::u16string_view(path).substr(path.size() - suffix.size()),
                                suffix);
}

}  // namespace

std::vector<uint8_t> StockWave() {
    constexpr uint32_t RATE = 22050;
    constexpr uint32_t VALUES = 200;
    std::vector<uint8_t> out;
    PutText(out, "RIFF");
    AppendLe32(out, 36 + VALUES * 2);
    PutText(out, "WAVEfmt ");
    AppendLe32(out, 16);
    AppendLe16(out, 1);
    AppendLe16(out, 1);
    AppendLe32(out, RATE);
    AppendLe32(out, RATE * 2);
    AppendLe16(out, 2);
    AppendLe16(out, 16);
    PutText(out, "data");
    AppendLe32(out, VALUES * 2);
    for (uint32_t i = 0; i < VALUES; ++i) {
        const double t = static_cast<double>(i) / RATE;
        const double v = 12000.0 * std::exp(-8.0 * t) *
                         (std::sin(2 * M_PI * 220.0 * t) + 0.4 * std::sin(2 * M_PI * 440.0 * t));
        AppendLe16(out, static_cast<uint16_t>(static_cast<int16_t>(v)));
    }
    return out;
}

std::vector<uint8_t> StockBitmap() {
    std::vector<uint8_t> out;
    PutText(out, "BM");
    AppendLe32(out, 54 + 48);
    AppendLe32(out, 0);
    AppendLe32(out, 54);
    AppendLe32(out, 40);
    AppendLe32(out, 4);
    AppendLe32(out, 4);
    AppendLe16(out, 1);
    AppendLe16(out, 24);
    AppendLe32(out, 0);
    AppendLe32(out, 48);
    AppendLe32(out, 2835);
    AppendLe32(out, 2835);
    AppendLe32(out, 0);
    AppendLe32(out, 0);
    for (int i = 0; i < 48; ++i) out.push_back(static_cast<uint8_t>(i * 5));
    return out;
}

std::unique_ptr<File> StockFileSystem::Open(const String& path, FileMode mode) {
    if (auto file = MemoryFileSystem::Open(path, mode)) return file;
    if (mode != FileMode::Read || path.compare(0, PROGRAM.size(), PROGRAM) != 0) return nullptr;
    if (EndsWithIgnoringCase(path, u".wav")) {
        static const std::vector<uint8_t> wave = StockWave();
        Add(path, wave);
    } else if (EndsWithIgnoringCase(path, u".bmp")) {
        static const std::vector<uint8_t> bitmap = StockBitmap();
        Add(path, bitmap);
    } else {
        return nullptr;
    }
    return MemoryFileSystem::Open(path, mode);
}

FuzzEnvironment::FuzzEnvironment() {
    auto stock = std::make_unique<StockFileSystem>();
    files = stock.get();
    // The picture loader reads through the file system it is made with.
    platform.pictures = MakeHeadlessPictureLoader(*stock);
    platform.files = std::move(stock);
    platform.Restore();
    instrument.SetScreen(240, 320);
    instrument.load.homeFolder = String(HOME);
    instrument.load.programFolder = String(PROGRAM);
    instrument.variables.vM = 50;
    files->AddFolder(HOME);
    files->AddFolder(PROGRAM);
}

FuzzEnvironment::~FuzzEnvironment() { UnloadInstrument(instrument); }

std::vector<Section> SplitInput(std::string_view input) {
    std::vector<Section> sections;
    Section current;
    current.name = "main.clx";
    size_t start = 0;
    size_t pos = 0;
    for (;;) {
        const size_t marker = input.find("\n@@", pos);
        if (marker == std::string_view::npos) break;
        const size_t lineEnd = input.find('\n', marker + 1);
        const std::string_view line =
            input.substr(marker + 1, lineEnd == std::string_view::npos ? std::string_view::npos
                                                                       : lineEnd - marker - 1);
        Section next;
        if (line.size() >= 3 && line[2] == '?') {
            next.kind = Section::Kind::Answer;
            next.name = std::string(line.substr(3));
        } else if (line.size() >= 3 && line[2] == '!') {
            next.kind = Section::Kind::Cancel;
        } else if (line.size() >= 4 && line[2] == ' ') {
            next.name = std::string(line.substr(3));
        } else {
            pos = marker + 1;
            continue;
        }
        if (current.kind == Section::Kind::File) {
            current.bytes = input.substr(start, marker + 1 - start);
        }
        sections.push_back(std::move(current));
        current = std::move(next);
        start = lineEnd == std::string_view::npos ? input.size() : lineEnd + 1;
        pos = start == 0 ? 0 : start - 1;
    }
    if (current.kind == Section::Kind::File) current.bytes = input.substr(start);
    sections.push_back(std::move(current));
    return sections;
}

}  // namespace chordlane::fuzz
