#pragma once
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>

#include "platform/AudioOutput.h"

namespace chordlane {
class WaveMapper;
}

namespace chordlane::web {

// The ring between the mixer's thread and the page's AudioWorklet, in the program's shared
// memory, where the worklet reads it through its own views. Frame counters run on and wrap at
// 2^32; the difference of the two is what waits in the ring. Only the worklet moves `read`
// (and wakes the mixer's thread on it) and counts underruns; only the mixer's thread moves
// `written`. The layout is read by web/page/audio-worklet.js: keep them together.
struct AudioRing {
    static constexpr uint32_t CAPACITY = 4096;  // frames, a power of two
    std::atomic<uint32_t> written{0};
    std::atomic<uint32_t> read{0};
    std::atomic<uint32_t> underruns{0};  // blocks the worklet found empty while sound was due
    std::atomic<uint32_t> started{0};    // set by the worklet once it pulls
    // The largest absolute sample that left the worklet, a 32-bit float's bits.
    std::atomic<uint32_t> peakBits{0};
    // Whether the block last rendered held sound: an empty ring is a gap only then (the
    // browser pulls a burst of blocks as it starts, before anything plays).
    std::atomic<uint32_t> sounding{0};
    uint32_t reserved[2] = {};        // keeps the frames 16-byte aligned
    float frames[CAPACITY * 2] = {};  // interleaved stereo
};
// The worklet's views assume plain 32-bit counters.
static_assert(sizeof(std::atomic<uint32_t>) == 4);

//! The frames a tap should wait for its sound at first, at the context's rate: 8 ms, which
//! is what kept up in a headless browser on a loaded two-core machine (384 frames at 48 kHz;
//! 256 gave several hundred underruns a minute). A browser at 44.1 kHz waits as long, not
//! 384 of its longer frames.
inline uint32_t StartingTargetFrames(uint32_t rate) {
    return static_cast<uint32_t>((uint64_t{rate} * 8 + 999) / 1000);
}

struct WebAudioConfig {
    uint32_t rate = 48000;
    // Frames the mixer keeps ahead of the worklet at first: what a tap waits for its sound.
    // 384 frames (8 ms at 48 kHz) kept up in a headless browser on a loaded two-core
    // machine; 256 gave several hundred underruns a minute. Each underrun the worklet counts
    // adds a block to the target, up to maxTargetFrames, so a slower device settles where it
    // keeps up rather than crackling on.
    uint32_t targetFrames = 384;
    uint32_t maxTargetFrames = 2048;
    // Frames rendered in one go: the worklet's own quantum.
    uint32_t blockFrames = 128;
};

// Renders the mix on a thread of its own into the ring, keeping it targetFrames ahead of the
// worklet, and sleeps on the worklet's read counter in between.
//
// Threads: made, asked and stopped on the page's main thread; the render thread is its own.
class WebAudioOutput : public AudioOutput {
  public:
    WebAudioOutput(WaveMapper& mapper, const WebAudioConfig& config);
    ~WebAudioOutput() override;

    uint32_t Rate() const override { return config_.rate; }
    std::string Describe() const override;
    void Stop() override;
    uint64_t Underruns() const override;

    //! Where the ring is, for the worklet.
    const AudioRing* Ring() const { return ring_.get(); }
    //! Frames the worklet has taken from the ring.
    uint32_t FramesTaken() const { return ring_->read.load(std::memory_order_acquire); }
    //! Frames kept ahead of the worklet now.
    uint32_t TargetFrames() const { return target_.load(std::memory_order_relaxed); }
    //! Frames rendered but not yet taken: a sound started now leaves the worklet after them.
    uint32_t FramesQueued() const;
    //! The largest absolute sample played so far (1.0 is full scale).
    float Peak() const;
    //! Drops what waits in the ring, so the first sound after a silent start is not queued
    //! behind silence rendered before anything listened.
    void Flush() { flush_.store(true, std::memory_order_release); }

  private:
    void Run();

    WaveMapper& mapper_;
    const WebAudioConfig config_;
    std::unique_ptr<AudioRing> ring_ = std::make_unique<AudioRing>();
    std::atomic<bool> running_{true};
    std::atomic<bool> flush_{false};
    std::atomic<uint32_t> target_{0};
    std::thread thread_;
};

}  // namespace chordlane::web
