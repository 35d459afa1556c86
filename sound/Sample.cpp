#include "sound/Sample.h"

#include <new>

namespace chordlane {

Sample::~Sample() = default;

bool Sample::AllocateImage(size_t size) {
    // A failed allocation leaves the sample empty rather than ending the program: the sound
    // element then simply lacks this pitch.
    image_.reset(new (std::nothrow) uint8_t[size]);
    imageSize_ = image_ ? size : 0;
    return image_ != nullptr;
}

void Sample::ReleaseImage() {
    image_.reset();
    imageSize_ = 0;
}

int32_t Sample::ValueCount() const {
    if (format.bitsPerSample != 8 && format.bitsPerSample != 16) return 0;
    return static_cast<int32_t>(static_cast<int64_t>(dataLength) * 8 / format.bitsPerSample);
}

}  // namespace chordlane
