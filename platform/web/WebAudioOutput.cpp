#include "platform/web/WebAudioOutput.h"

#include <emscripten/threading.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <vector>

#include "mixer/FlushDenormals.h"
#include "mixer/WaveMapper.h"

namespace chordlane::web {

// web/page/audio-worklet.js reads the peak and the frames at these places.
static_assert(offsetof(AudioRing, peakBits) == 16 && offsetof(AudioRing, sounding) == 20 &&
              offsetof(AudioRing, frames) == 32);

WebAudioOutput::WebAudioOutput(WaveMapper& mapper, const WebAudioConfig& config)
    : mapper_(mapper), config_(config) {
    thread_ = std::thread([this] { Run(); });
}

WebAudioOutput::~WebAudioOutput() { Stop(); }

std::string WebAudioOutput::Describe() const {
    return "Web Audio worklet at " + std::to_string(config_.rate) + " Hz, " +
           std::to_string(TargetFrames()) + " frames ahead";
}

void WebAudioOutput::Stop() {
    if (!thread_.joinable()) return;
    running_.store(false, std::memory_order_release);
    // The thread may sleep on the read counter; a wake-up with no change ends its wait.
    emscripten_futex_wake(&ring_->read, 1);
    thread_.join();
}

uint64_t WebAudioOutput::Underruns() const {
    return ring_->underruns.load(std::memory_order_relaxed);
}

float WebAudioOutput::Peak() const {
    // No std::bit_cast in the web build's standard library.
    const uint32_t bits = ring_->peakBits.load(std::memory_order_relaxed);
    float peak;
    std::memcpy(&peak, &bits, sizeof peak);
    return peak;
}

uint32_t WebAudioOutput::FramesQueued() const {
    return ring_->written.load(std::memory_order_acquire) -
           ring_->read.load(std::memory_order_acquire);
}

void WebAudioOutput::Run() {
    FlushDenormalsOnThisThread();
    const uint32_t block = std::clamp<uint32_t>(config_.blockFrames, 1, AudioRing::CAPACITY / 2);
    const uint32_t most = std::clamp<uint32_t>(config_.maxTargetFrames, block, AudioRing::CAPACITY);
    uint32_t target = std::clamp<uint32_t>(config_.targetFrames, block, most);
    target_.store(target, std::memory_order_relaxed);
    uint32_t underrunsSeen = 0;
    std::vector<float> mix(static_cast<size_t>(block) * 2);
    AudioRing& ring = *ring_;
    while (running_.load(std::memory_order_acquire)) {
        const uint32_t underruns = ring.underruns.load(std::memory_order_relaxed);
        if (underruns != underrunsSeen) {
            underrunsSeen = underruns;
            target = std::min(target + block, most);
            target_.store(target, std::memory_order_relaxed);
        }
        uint32_t written = ring.written.load(std::memory_order_relaxed);
        const uint32_t read = ring.read.load(std::memory_order_acquire);
        if (flush_.exchange(false, std::memory_order_acq_rel)) {
            // The worklet only reads up to `written`: moving it back to `read` takes the
            // queued frames away before they are heard.
            written = read;
            ring.written.store(written, std::memory_order_release);
        }
        if (written - read + block > target) {
            // Full enough: sleep until the worklet takes a block (or a while, should it stop).
            constexpr double WAIT_MS = 20.0;
            emscripten_futex_wait(&ring.read, read, WAIT_MS);
            continue;
        }
        mapper_.Render(std::span<float>(mix), block);
        bool sounding = false;
        for (uint32_t i = 0; i < block; ++i) {
            const uint32_t at = (written + i) & (AudioRing::CAPACITY - 1);
            ring.frames[at * 2] = mix[i * 2];
            ring.frames[at * 2 + 1] = mix[i * 2 + 1];
            sounding = sounding || mix[i * 2] != 0.0f || mix[i * 2 + 1] != 0.0f;
        }
        ring.sounding.store(sounding ? 1 : 0, std::memory_order_relaxed);
        ring.written.store(written + block, std::memory_order_release);
    }
}

}  // namespace chordlane::web
