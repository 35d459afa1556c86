#include "sound/SoundFileDecoder.h"

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "platform/LittleEndian.h"
#include "platform/Text.h"
#include "sound/Sample.h"
#include "sound/WaveFile.h"

namespace chordlane {

namespace {

// Values decoded per read: a few pages, whatever the channel count.
constexpr sf_count_t BLOCK_VALUES = 8192;

// The decoded image may be no larger than a wave file may be.
constexpr sf_count_t MAX_DECODED_FRAMES = (MAX_WAVE_FILE_SIZE - WAVE_HEADER_SIZE) / 2;
// A stereo file of that length; a file of more channels must be shorter.
constexpr sf_count_t MAX_DECODED_VALUES = 2 * MAX_DECODED_FRAMES;

// The bytes our file system has already read, seen by libsndfile as a read-only file.
struct MemoryStream {
    std::span<const uint8_t> bytes;
    sf_count_t position = 0;

    sf_count_t Size() const { return static_cast<sf_count_t>(bytes.size()); }
};

MemoryStream& StreamOf(void* user) { return *static_cast<MemoryStream*>(user); }

sf_count_t StreamLength(void* user) { return StreamOf(user).Size(); }

sf_count_t StreamSeek(sf_count_t offset, int whence, void* user) {
    MemoryStream& stream = StreamOf(user);
    sf_count_t base = 0;
    if (whence == SEEK_CUR)
        base = stream.position;
    else if (whence == SEEK_END)
        base = stream.Size();
    else if (whence != SEEK_SET)
        return -1;
    // Offsets come from the file's own headers: any value at all.
    if (offset > std::numeric_limits<sf_count_t>::max() - base || base + offset < 0) return -1;
    stream.position = base + offset;
    return stream.position;
}

sf_count_t StreamRead(void* buffer, sf_count_t count, void* user) {
    MemoryStream& stream = StreamOf(user);
    if (count <= 0 || stream.position >= stream.Size()) return 0;
    const sf_count_t n = std::min(count, stream.Size() - stream.position);
    std::memcpy(buffer, stream.bytes.data() + stream.position, static_cast<size_t>(n));
    stream.position += n;
    return n;
}

sf_count_t StreamWrite(const void*, sf_count_t, void*) { return 0; }

sf_count_t StreamTell(void* user) { return StreamOf(user).position; }

struct CloseSoundFile {
    void operator()(SNDFILE* file) const { sf_close(file); }
};

// Codings whose decoder gives floating-point values; every other coding is integers.
bool DecodesToFloat(int format) {
    switch (format & SF_FORMAT_SUBMASK) {
        case SF_FORMAT_FLOAT:
        case SF_FORMAT_DOUBLE:
        case SF_FORMAT_VORBIS:
        case SF_FORMAT_OPUS:
        case SF_FORMAT_MPEG_LAYER_I:
        case SF_FORMAT_MPEG_LAYER_II:
        case SF_FORMAT_MPEG_LAYER_III:
            return true;
        default:
            return false;
    }
}

// libsndfile hands integers scaled to 32 bits whatever the file's width; the top 16 bits,
// rounded by the half step below them. Full scale rounds up past the range, hence the clip.
int32_t From32(int32_t value) {
    return static_cast<int32_t>(std::min<int64_t>((int64_t{value} + 0x8000) >> 16, 32767));
}

int32_t FromFloat(double value) {
    // A float file may hold NaN or values far beyond full scale.
    if (std::isnan(value)) return 0;
    return static_cast<int32_t>(std::lround(std::clamp(value * 32768.0, -32768.0, 32767.0)));
}

// Reads up to frames frames into out as 16-bit mono, each channel converted first and then
// averaged truncating toward zero, as a 16-bit wave file's channels are. Answers the frames
// read: fewer at the end of the data or on a decoding error.
template <typename Value, typename Convert>
sf_count_t DecodeFrames(SNDFILE* file, sf_count_t (*read)(SNDFILE*, Value*, sf_count_t),
                        int32_t channels, sf_count_t frames, uint8_t* out, Convert convert) {
    const sf_count_t blockFrames = std::max<sf_count_t>(1, BLOCK_VALUES / channels);
    std::vector<Value> block(static_cast<size_t>(blockFrames * channels));
    sf_count_t done = 0;
    while (done < frames) {
        const sf_count_t want = std::min(blockFrames, frames - done);
        const sf_count_t got = std::min(read(file, block.data(), want), want);
        if (got <= 0) break;
        for (sf_count_t f = 0; f < got; ++f) {
            const Value* frame = block.data() + f * channels;
            int64_t sum = 0;
            for (int32_t c = 0; c < channels; ++c) sum += convert(frame[c]);
            WriteLe16(out + 2 * (done + f),
                      static_cast<uint32_t>(static_cast<int32_t>(sum / channels)));
        }
        done += got;
        // A short read is the end of the data or an error, which a further read may clear.
        if (got < want) break;
    }
    return done;
}

}  // namespace

bool DecodeSoundFile(Sample& sample, std::span<const uint8_t> bytes, String& reason) {
    sample.ReleaseImage();
    sample.dataLength = 0;
    MemoryStream stream{bytes};
    SF_VIRTUAL_IO io{StreamLength, StreamSeek, StreamRead, StreamWrite, StreamTell};
    SF_INFO info{};
    std::unique_ptr<SNDFILE, CloseSoundFile> file(sf_open_virtual(&io, SFM_READ, &info, &stream));
    if (!file) {
        // Without a handle, the library keeps the reason of its last failed open.
        reason = FromUtf8(sf_strerror(nullptr));
        return false;
    }
    if (info.channels < 1 || info.channels > MAX_DECODED_CHANNELS) {
        reason = u"unsupported channel count " + FromUtf8(std::to_string(info.channels));
        return false;
    }
    if (info.samplerate < 1) {
        reason = u"no sample rate";
        return false;
    }
    // The frame count comes from the file's headers, so it is checked before it sizes anything.
    if (info.frames > MAX_DECODED_FRAMES) {
        reason = u"longer than 64 MiB of 16-bit sound";
        return false;
    }
    // Compressed formats code silence in next to nothing, so the file's size does not bound
    // the time decoding takes: the values of all channels together do.
    if (info.frames > MAX_DECODED_VALUES / info.channels) {
        reason = FromUtf8("too long to decode: " + std::to_string(info.frames) + " frames of " +
                          std::to_string(info.channels) + " channels");
        return false;
    }
    if (info.frames <= 0) {
        reason = u"no sound in the file";
        return false;
    }
    const sf_count_t frames = info.frames;
    if (!sample.AllocateImage(static_cast<size_t>(WAVE_HEADER_SIZE + 2 * frames))) {
        reason = u"not enough sample memory";
        return false;
    }
    const sf_count_t done = DecodesToFloat(info.format)
                                ? DecodeFrames<double>(file.get(), sf_readf_double, info.channels,
                                                       frames, sample.Data(), FromFloat)
                                : DecodeFrames<int>(file.get(), sf_readf_int, info.channels, frames,
                                                    sample.Data(), From32);
    if (done < frames) {
        // A decoding error says what went wrong. Without one the file ended early: a lossy
        // stream's frame count can be an estimate, so what it holds plays; a lossless file
        // that ends before the count its header gives was cut short.
        const bool failed = sf_error(file.get()) != SF_ERR_NO_ERROR;
        if (failed || done == 0 || !DecodesToFloat(info.format)) {
            reason = failed ? FromUtf8(sf_strerror(file.get()))
                     : done == 0
                         ? String(u"no sound in the file")
                         : FromUtf8("truncated: the file ends after " + std::to_string(done) +
                                    " of its " + std::to_string(frames) + " frames");
            sample.ReleaseImage();
            return false;
        }
        const std::vector<uint8_t> kept(sample.Data(), sample.Data() + 2 * done);
        if (!sample.AllocateImage(WAVE_HEADER_SIZE + kept.size())) {
            reason = u"not enough sample memory";
            return false;
        }
        std::memcpy(sample.Data(), kept.data(), kept.size());
    }
    WaveFormat format;
    format.formatTag = 1;
    format.channels = 1;
    format.samplesPerSec = static_cast<uint32_t>(info.samplerate);
    format.avgBytesPerSec = format.samplesPerSec * 2;
    format.blockAlign = 2;
    format.bitsPerSample = 16;
    CompleteWaveImage(sample, format, static_cast<uint32_t>(2 * done));
    return true;
}

}  // namespace chordlane
