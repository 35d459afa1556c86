#include "tools/soundgen/WaveFile.h"

#include <cstring>

#include "platform/LittleEndian.h"
#include "tools/soundgen/SoundMath.h"

namespace chordlane::soundgen {
namespace {

void PutTag(std::vector<uint8_t>& out, const char* tag) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(tag[i]));
}

}  // namespace

std::vector<uint8_t> EncodeWave(const std::vector<double>& signal, int rate) {
    const uint32_t dataSize = static_cast<uint32_t>(signal.size() * 2);
    std::vector<uint8_t> out;
    out.reserve(44 + dataSize);
    PutTag(out, "RIFF");
    AppendLe32(out, 36 + dataSize);
    PutTag(out, "WAVE");
    PutTag(out, "fmt ");
    AppendLe32(out, 16);
    AppendLe16(out, 1);  // PCM
    AppendLe16(out, 1);  // mono
    AppendLe32(out, static_cast<uint32_t>(rate));
    AppendLe32(out, static_cast<uint32_t>(rate) * 2);
    AppendLe16(out, 2);
    AppendLe16(out, 16);
    PutTag(out, "data");
    AppendLe32(out, dataSize);
    for (double v : signal) AppendLe16(out, static_cast<uint16_t>(ToPcm16(v)));
    return out;
}

}  // namespace chordlane::soundgen
