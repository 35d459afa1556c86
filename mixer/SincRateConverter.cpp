#include "mixer/SincRateConverter.h"

#include <samplerate.h>

#include <climits>

namespace chordlane {

namespace {

// libsamplerate converts between rates at most this far apart.
constexpr double MAX_RATIO = 256.0;

}  // namespace

size_t SincRateConverter::MaxFrames(size_t inFrames, uint32_t from) const {
    const uint32_t to = TargetRate();
    if (from == 0 || to == 0) return 0;
    // The converter's length is the input's times the ratio, give or take a frame or two.
    return static_cast<size_t>(static_cast<double>(inFrames) * to / from) + 16;
}

int64_t SincRateConverter::Convert(const float* in, size_t inFrames, uint32_t channels,
                                   uint32_t from, float* out, size_t outCapacity) const {
    return ConvertTo(TargetRate(), in, inFrames, channels, from, out, outCapacity);
}

int64_t SincRateConverter::ConvertTo(uint32_t to, const float* in, size_t inFrames,
                                     uint32_t channels, uint32_t from, float* out,
                                     size_t outCapacity) {
    if (from == 0 || to == 0 || channels == 0 || inFrames > LONG_MAX || outCapacity > LONG_MAX)
        return -1;
    const double ratio = static_cast<double>(to) / from;
    if (ratio > MAX_RATIO || ratio < 1.0 / MAX_RATIO) return -1;
    SRC_DATA data{};
    data.data_in = in;
    data.input_frames = static_cast<long>(inFrames);
    data.data_out = out;
    data.output_frames = static_cast<long>(outCapacity);
    data.src_ratio = ratio;
    // The fastest sinc already leaves a converted tone's images more than 110 dB down; the
    // better ones take several times as long for a difference far below 16 bits.
    if (src_simple(&data, SRC_SINC_FASTEST, static_cast<int>(channels)) != 0) return -1;
    return data.output_frames_gen;
}

}  // namespace chordlane
