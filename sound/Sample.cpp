#include "sound/Sample.h"

#include <cstring>
#include <new>

namespace chordlane {

bool SampleMemory::Take(int64_t bytes) {
    if (bytes < 0 || held_.fetch_add(bytes) + bytes > limit_.load()) {
        held_.fetch_sub(bytes);
        return false;
    }
    return true;
}

Sample::~Sample() { ReleaseImage(); }

bool Sample::AllocateImage(size_t size) {
    ReleaseImage();
    const auto bytes = static_cast<int64_t>(size);
    if (bytes < 0 || (memory_ && !memory_->Take(bytes))) return false;
    // A failed allocation leaves the sample empty rather than ending the program: the sound
    // element then simply lacks this pitch.
    image_.reset(new (std::nothrow) uint8_t[size]);
    if (!image_) {
        if (memory_) memory_->Give(bytes);
        return false;
    }
    imageSize_ = size;
    return true;
}

void Sample::ReleaseImage() {
    if (image_ && memory_) memory_->Give(static_cast<int64_t>(imageSize_));
    image_.reset();
    imageSize_ = 0;
    if (played_ && memory_) memory_->Give(playedLength_);
    played_.reset();
    playedLength_ = 0;
}

bool Sample::SetPlayed(const int16_t* values, size_t count, uint32_t rate) {
    if (played_ && memory_) memory_->Give(playedLength_);
    played_.reset();
    playedLength_ = 0;
    const uint16_t channels = format.channels == 2 ? 2 : 1;
    // A WAV buffer's length is 32-bit, and a whole number of frames.
    if (count % channels != 0 || count > UINT32_MAX / 2 || !Image()) return false;
    const auto bytes = static_cast<int64_t>(count) * 2;
    if (memory_ && !memory_->Take(bytes)) return false;
    played_.reset(new (std::nothrow) uint8_t[static_cast<size_t>(bytes) + 1]);
    if (!played_) {
        if (memory_) memory_->Give(bytes);
        return false;
    }
    std::memcpy(played_.get(), values, static_cast<size_t>(bytes));
    playedLength_ = static_cast<uint32_t>(bytes);
    playedFormat_ = WaveFormat{
        1, channels, rate, rate * channels * 2u, static_cast<uint16_t>(channels * 2), 16, 0};
    return true;
}

int32_t Sample::ValueCount() const {
    if (format.bitsPerSample != 8 && format.bitsPerSample != 16) return 0;
    return static_cast<int32_t>(static_cast<int64_t>(dataLength) * 8 / format.bitsPerSample);
}

}  // namespace chordlane
