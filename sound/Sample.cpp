#include "sound/Sample.h"

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
}

int32_t Sample::ValueCount() const {
    if (format.bitsPerSample != 8 && format.bitsPerSample != 16) return 0;
    return static_cast<int32_t>(static_cast<int64_t>(dataLength) * 8 / format.bitsPerSample);
}

}  // namespace chordlane
