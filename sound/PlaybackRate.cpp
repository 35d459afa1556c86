#include "sound/PlaybackRate.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "platform/RateConverter.h"
#include "platform/Uninitialised.h"
#include "sound/Sample.h"

namespace chordlane {

size_t PlaybackFrames(const Sample& sample, const RateConverter& converter) {
    const uint32_t to = converter.TargetRate();
    const uint32_t from = sample.format.samplesPerSec;
    const int32_t values = sample.ValueCount();
    if (to == 0 || from == 0 || from == to || values <= 0) return 0;
    const uint64_t frames = static_cast<uint64_t>(values) / (sample.format.channels == 2 ? 2 : 1);
    return static_cast<size_t>(frames * to / from + 1);
}

bool ConvertForPlayback(Sample& sample, const RateConverter& converter) {
    const uint32_t to = converter.TargetRate();
    const uint32_t from = sample.format.samplesPerSec;
    const uint32_t bits = sample.format.bitsPerSample;
    const uint32_t channels = sample.format.channels == 2 ? 2 : 1;
    const int32_t values = sample.ValueCount();
    if (to == 0 || from == to || !sample.Data() || values <= 0) return true;
    if (from == 0 || (bits != 8 && bits != 16)) return false;
    const size_t frames = static_cast<size_t>(values) / channels;
    const size_t capacity = converter.MaxFrames(frames, from);
    // Left uninitialised: every value read is written first, and zeroing tens of megabytes
    // of a load's copies is time for nothing.
    std::unique_ptr<float[]> in;
    std::unique_ptr<float[]> out;
    try {
        in = MakeUninitialisedArray<float>(frames * channels);
        out = MakeUninitialisedArray<float>(capacity * channels);
    } catch (const std::bad_alloc&) {
        return false;
    }
    // The same scale both ways, so a converter that changed nothing would give back every
    // value exactly; 8-bit data is unsigned around 128.
    const uint8_t* data = sample.Data();
    for (size_t i = 0; i < frames * channels; ++i) {
        if (bits == 16) {
            int16_t v;
            std::memcpy(&v, data + 2 * i, 2);
            in[i] = static_cast<float>(v) * (1.0f / 32768.0f);
        } else {
            in[i] = static_cast<float>(static_cast<int32_t>(data[i]) - 128) * (1.0f / 128.0f);
        }
    }
    const int64_t made = converter.Convert(in.get(), frames, channels, from, out.get(), capacity);
    if (made < 0 || static_cast<size_t>(made) > capacity) return false;
    const size_t count = static_cast<size_t>(made) * channels;
    std::unique_ptr<int16_t[]> pcm;
    try {
        pcm = MakeUninitialisedArray<int16_t>(count);
    } catch (const std::bad_alloc&) {
        return false;
    }
    // Clamped first, then rounded to the nearest (ties to even) by adding and taking away
    // 1.5 * 2^23, which leaves no fraction in a float of that size: the same result as
    // nearbyint in the default rounding mode, without a library call per value, which had
    // become a sixth of a load once the conversion itself was fast. Clamped with the bound
    // first, so that even a value that is not a number comes out as one.
    constexpr float ROUNDER = 12582912.0f;
    for (size_t i = 0; i < count; ++i) {
        const float x = std::min(32767.0f, std::max(-32768.0f, out[i] * 32768.0f));
        const float shifted = x + ROUNDER;
        pcm[i] = static_cast<int16_t>(shifted - ROUNDER);
    }
    return sample.SetPlayed(pcm.get(), count, to);
}

}  // namespace chordlane
