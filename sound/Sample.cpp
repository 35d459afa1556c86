#include "sound/Sample.h"

#include <atomic>
#include <new>

namespace chordlane {

namespace {
// Copies are made on several threads at once.
std::atomic<int64_t> g_heldBytes{0};
std::atomic<int64_t> g_limit{DEFAULT_SAMPLE_MEMORY_LIMIT};
}  // namespace

Sample::~Sample() { ReleaseImage(); }

bool Sample::AllocateImage(size_t size) {
    ReleaseImage();
    const auto bytes = static_cast<int64_t>(size);
    if (bytes < 0 || g_heldBytes.fetch_add(bytes) + bytes > g_limit.load()) {
        g_heldBytes.fetch_sub(bytes);
        return false;
    }
    // A failed allocation leaves the sample empty rather than ending the program: the sound
    // element then simply lacks this pitch.
    image_.reset(new (std::nothrow) uint8_t[size]);
    if (!image_) {
        g_heldBytes.fetch_sub(bytes);
        return false;
    }
    imageSize_ = size;
    return true;
}

void Sample::ReleaseImage() {
    if (image_) g_heldBytes.fetch_sub(static_cast<int64_t>(imageSize_));
    image_.reset();
    imageSize_ = 0;
}

int64_t Sample::HeldBytes() { return g_heldBytes.load(); }
void Sample::SetMemoryLimit(int64_t limit) { g_limit.store(limit); }
int64_t Sample::MemoryLimit() { return g_limit.load(); }

int32_t Sample::ValueCount() const {
    if (format.bitsPerSample != 8 && format.bitsPerSample != 16) return 0;
    return static_cast<int32_t>(static_cast<int64_t>(dataLength) * 8 / format.bitsPerSample);
}

}  // namespace chordlane
