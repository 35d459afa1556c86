#include "platform/web/WebAudioOutput.h"

#include <emscripten/threading.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "mixer/FlushDenormals.h"
#include "mixer/WaveMapper.h"

namespace chordlane::web {

WebAudioOutput::WebAudioOutput(WaveMapper& mapper, const WebAudioConfig& config)
    : mapper_(mapper), config_(config) {
    thread_ = std::thread([this] { Run(); });
}

WebAudioOutput::~WebAudioOutput() { Stop(); }

std::string WebAudioOutput::Describe() const {
    return "Web Audio worklet at " + std::to_string(config_.rate) + " Hz, " +
           std::to_string(config_.targetFrames) + " frames ahead";
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

uint32_t WebAudioOutput::FramesQueued() const {
    return ring_->written.load(std::memory_order_acquire) -
           ring_->read.load(std::memory_order_acquire);
}

void WebAudioOutput::Run() {
    FlushDenormalsOnThisThread();
    const uint32_t block = std::clamp<uint32_t>(config_.blockFrames, 1, AudioRing::CAPACITY / 2);
    const uint32_t target = std::clamp<uint32_t>(config_.targetFrames, block, AudioRing::CAPACITY);
    std::vector<float> mix(static_cast<size_t>(block) * 2);
    AudioRing& ring = *ring_;
    while (running_.load(std::memory_order_acquire)) {
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
        float peak = peak_.load(std::memory_order_relaxed);
        for (uint32_t i = 0; i < block; ++i) {
            const uint32_t at = (written + i) & (AudioRing::CAPACITY - 1);
            ring.frames[at * 2] = mix[i * 2];
            ring.frames[at * 2 + 1] = mix[i * 2 + 1];
            peak = std::max({peak, std::fabs(mix[i * 2]), std::fabs(mix[i * 2 + 1])});
        }
        peak_.store(peak, std::memory_order_relaxed);
        ring.written.store(written + block, std::memory_order_release);
    }
}

}  // namespace chordlane::web
