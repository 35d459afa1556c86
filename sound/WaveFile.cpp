#include "sound/WaveFile.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/LittleEndian.h"
#include "sound/Sample.h"
#include "sound/SoundFileDecoder.h"

namespace chordlane {

namespace {

constexpr uint16_t FORMAT_PCM = 1;
constexpr uint16_t FORMAT_EXTENSIBLE = 0xFFFE;

struct Chunks {
    const uint8_t* format = nullptr;  // body of "fmt ", at least 16 bytes
    uint32_t formatSize = 0;
    const uint8_t* data = nullptr;
    size_t dataSize = 0;  // bounded by the file
};

// Walks the chunks after the RIFF header. A chunk size running past the end of the file
// is taken as "to the end of the file" for the data (truncated recordings still play) and
// ends the walk.
bool FindChunks(std::span<const uint8_t> bytes, Chunks& chunks) {
    if (bytes.size() < 12) return false;
    if (std::memcmp(bytes.data(), "RIFF", 4) != 0 || std::memcmp(bytes.data() + 8, "WAVE", 4) != 0)
        return false;
    uint64_t pos = 12;
    while (pos + 8 <= bytes.size()) {
        const uint8_t* id = bytes.data() + pos;
        const uint32_t size = ReadLe32(id + 4);
        const uint64_t body = pos + 8;
        const uint64_t available = bytes.size() - body;
        if (std::memcmp(id, "fmt ", 4) == 0 && !chunks.format) {
            if (size < 16 || available < 16) return false;
            chunks.format = bytes.data() + body;
            chunks.formatSize = static_cast<uint32_t>(std::min<uint64_t>(size, available));
        } else if (std::memcmp(id, "data", 4) == 0 && !chunks.data) {
            chunks.data = bytes.data() + body;
            chunks.dataSize = static_cast<size_t>(std::min<uint64_t>(size, available));
        }
        if (chunks.format && chunks.data) return true;
        // Chunks are padded to an even length.
        pos = body + size + (size & 1);
    }
    return chunks.format && chunks.data;
}

void WriteCanonicalHeader(uint8_t* image, const WaveFormat& f, uint32_t dataLength) {
    std::memcpy(image, "RIFF", 4);
    WriteLe32(image + 4, 36 + dataLength);
    std::memcpy(image + 8, "WAVEfmt ", 8);
    WriteLe32(image + 16, 16);
    WriteLe16(image + 20, f.formatTag);
    WriteLe16(image + 22, f.channels);
    WriteLe32(image + 24, f.samplesPerSec);
    WriteLe32(image + 28, f.avgBytesPerSec);
    WriteLe16(image + 32, f.blockAlign);
    WriteLe16(image + 34, f.bitsPerSample);
    std::memcpy(image + 36, "data", 4);
    WriteLe32(image + 40, dataLength);
}

// Averages the channels of every frame into one value. Pitch marks are found on one stream
// of values, so interleaved channels would make every other value a different waveform.
void MixDown(const uint8_t* in, uint8_t* out, size_t frames, uint32_t channels, uint32_t bits) {
    for (size_t f = 0; f < frames; ++f) {
        int64_t sum = 0;
        if (bits == 16) {
            const uint8_t* p = in + f * channels * 2;
            for (uint32_t c = 0; c < channels; ++c)
                sum += static_cast<int16_t>(ReadLe16(p + 2 * c));
            WriteLe16(out + 2 * f, static_cast<uint16_t>(static_cast<int16_t>(sum / channels)));
        } else {
            const uint8_t* p = in + f * channels;
            for (uint32_t c = 0; c < channels; ++c) sum += p[c];
            out[f] = static_cast<uint8_t>(sum / channels);
        }
    }
}

WaveFormat FormatOf(const Chunks& chunks) {
    WaveFormat format;
    format.formatTag = ReadLe16(chunks.format);
    format.channels = ReadLe16(chunks.format + 2);
    format.samplesPerSec = ReadLe32(chunks.format + 4);
    format.avgBytesPerSec = ReadLe32(chunks.format + 8);
    format.blockAlign = ReadLe16(chunks.format + 12);
    format.bitsPerSample = ReadLe16(chunks.format + 14);
    format.extraSize = 0;
    // The extensible layout names its real coding in the first bytes of a sub-format GUID.
    if (format.formatTag == FORMAT_EXTENSIBLE && chunks.formatSize >= 40 &&
        ReadLe16(chunks.format + 24) == FORMAT_PCM) {
        format.formatTag = FORMAT_PCM;
    }
    return format;
}

}  // namespace

bool ParseWave(Sample& sample, std::span<const uint8_t> bytes, String* reason) {
    String unused;
    String& why = reason ? *reason : unused;
    why.clear();
    sample.ReleaseImage();
    sample.dataLength = 0;
    if (bytes.size() > static_cast<uint64_t>(MAX_WAVE_FILE_SIZE)) {
        why = u"larger than 64 MiB";
        return false;
    }
    Chunks chunks;
    const bool complete = FindChunks(bytes, chunks);
    // Our own reader keeps 8- and 16-bit PCM exactly as it always read it; everything else
    // is the decoder's.
    if (!chunks.format) return DecodeSoundFile(sample, bytes, why);
    WaveFormat format = FormatOf(chunks);
    if (format.formatTag != FORMAT_PCM ||
        (format.bitsPerSample != 8 && format.bitsPerSample != 16)) {
        return DecodeSoundFile(sample, bytes, why);
    }
    if (!complete) {
        why = u"no \"data\" chunk";
        return false;
    }
    if (format.channels == 0 || format.samplesPerSec == 0) {
        why = format.channels == 0 ? u"no channels" : u"sample rate 0";
        return false;
    }

    const uint32_t bytesPerValue = format.bitsPerSample / 8;
    size_t dataLength = chunks.dataSize;
    if (format.channels > 1) {
        const size_t frames = chunks.dataSize / (bytesPerValue * format.channels);
        dataLength = frames * bytesPerValue;
    }
    if (!sample.AllocateImage(WAVE_HEADER_SIZE + dataLength)) {
        why = u"not enough sample memory";
        return false;
    }
    if (format.channels > 1) {
        MixDown(chunks.data, sample.Data(), dataLength / bytesPerValue, format.channels,
                format.bitsPerSample);
        format.channels = 1;
        format.blockAlign = static_cast<uint16_t>(bytesPerValue);
        format.avgBytesPerSec = format.samplesPerSec * bytesPerValue;
    } else {
        std::memcpy(sample.Data(), chunks.data, dataLength);
    }
    CompleteWaveImage(sample, format, static_cast<uint32_t>(dataLength));
    return true;
}

void CompleteWaveImage(Sample& sample, const WaveFormat& format, uint32_t dataLength) {
    WriteCanonicalHeader(sample.Image(), format, dataLength);
    sample.format = format;
    sample.dataLength = static_cast<int32_t>(dataLength);
    sample.pitchPhase = NO_VALUE;
    sample.peak = NO_VALUE;
}

bool ReadWaveFile(Sample& sample, File& file, String* reason) {
    // Read in pieces up to one byte past the bound, so a file whose size cannot be told
    // is bounded all the same.
    std::vector<uint8_t> bytes;
    const int64_t told = file.Size();
    const auto tooLarge = [&] {
        if (reason) *reason = u"larger than 64 MiB";
        return false;
    };
    if (told > MAX_WAVE_FILE_SIZE) return tooLarge();
    if (told > 0) bytes.reserve(static_cast<size_t>(told));
    uint8_t buffer[65536];
    for (;;) {
        const size_t got = file.Read(buffer, sizeof buffer);
        if (got == 0) break;
        bytes.insert(bytes.end(), buffer, buffer + got);
        if (bytes.size() > static_cast<uint64_t>(MAX_WAVE_FILE_SIZE)) return tooLarge();
    }
    return ParseWave(sample, bytes, reason);
}

}  // namespace chordlane
