#include "mixer/MasterStage.h"

#include <algorithm>
#include <cmath>

namespace chordlane {

namespace {

// The look-ahead is bounded so that a peak is never held back audibly; the buffers are had
// once for that bound at the highest rate a device offers.
constexpr double MAX_LOOKAHEAD_MS = 2.0;
constexpr uint32_t MAX_RATE = 768000;
constexpr uint32_t MAX_WINDOW = static_cast<uint32_t>(MAX_RATE * MAX_LOOKAHEAD_MS / 1000.0) + 1;
// Gains below this are taken as this: a peak 2^20 times full scale is already silence at
// the ceiling, and the bound keeps every gain's exponent within a few bits of 1, so the
// running sum in double precision stays exact and the gain comes back to exactly 1.
constexpr float MIN_GAIN = 1.0f / 1048576.0f;
// The release stops creeping and takes its target once this close: at full scale, under
// a 16-bit step, and a second after a peak the gain is exactly back.
constexpr double RELEASE_SNAP = 2.0e-5;

}  // namespace

uint32_t MasterStage::LatencyFrames(uint32_t rate, double lookaheadMs) {
    const double ms = std::clamp(lookaheadMs, 0.0, MAX_LOOKAHEAD_MS);
    const auto frames = static_cast<uint32_t>(std::lround(rate * ms / 1000.0));
    return std::min(frames, MAX_WINDOW - 1);
}

MasterStage::MasterStage(const MasterStageConfig& config)
    : config_(config),
      rate_(config.rate),
      delay_(std::make_unique<float[]>(2 * static_cast<size_t>(MAX_WINDOW))),
      required_(std::make_unique<float[]>(MAX_WINDOW)),
      minimum_(std::make_unique<float[]>(MAX_WINDOW)),
      queue_(std::make_unique<uint64_t[]>(MAX_WINDOW)),
      capacity_(MAX_WINDOW) {
    Configure(config.rate);
}

void MasterStage::Configure(uint32_t rate) {
    configuredRate_ = rate;
    window_ = LatencyFrames(rate, config_.lookaheadMs) + 1;
    const double releaseFrames = std::max(1.0, config_.releaseMs * rate / 1000.0);
    release_ = 1.0 - std::exp(-1.0 / releaseFrames);
    std::fill(delay_.get(), delay_.get() + 2 * static_cast<size_t>(capacity_), 0.0f);
    std::fill(required_.get(), required_.get() + capacity_, 1.0f);
    std::fill(minimum_.get(), minimum_.get() + capacity_, 1.0f);
    frame_ = 0;
    queueHead_ = 0;
    queueSize_ = 0;
    minimumSum_ = window_;
    gain_ = 1.0;
}

void MasterStage::Process(float* out, size_t frames) {
    const uint32_t rate = rate_.load(std::memory_order_relaxed);
    if (rate != configuredRate_) Configure(rate);
    const float ceiling = config_.ceiling;
    const uint32_t w = window_;
    const uint32_t delay = w - 1;
    for (size_t f = 0; f < frames; ++f) {
        float left = out[2 * f];
        float right = out[2 * f + 1];
        // A value that is no number would poison the gain for good; it becomes silence.
        if (!std::isfinite(left)) left = 0.0f;
        if (!std::isfinite(right)) right = 0.0f;
        const float peak = std::max(std::fabs(left), std::fabs(right));
        const float need = peak > ceiling ? std::max(ceiling / peak, MIN_GAIN) : 1.0f;

        // The least gain any of the last w frames needs: a queue of indices whose gains
        // rise from front to back, the front being the least.
        const auto slot = static_cast<uint32_t>(frame_ % w);
        if (queueSize_ > 0 && frame_ - queue_[queueHead_] >= w) {
            queueHead_ = (queueHead_ + 1) % w;
            --queueSize_;
        }
        while (queueSize_ > 0 && required_[queue_[(queueHead_ + queueSize_ - 1) % w] % w] >= need)
            --queueSize_;
        required_[slot] = need;
        queue_[(queueHead_ + queueSize_) % w] = frame_;
        ++queueSize_;
        const float least = required_[queue_[queueHead_] % w];

        // The average of those least gains over the last w frames: each of them covers the
        // frame now leaving the delay, so the average never lets it pass the ceiling, and
        // it falls towards a peak in a ramp of w frames rather than at once.
        minimumSum_ += static_cast<double>(least) - minimum_[slot];
        minimum_[slot] = least;
        // In double precision: near 1 a float step of the release would round to nothing
        // and leave the gain stuck just below it.
        const double target = minimumSum_ / w;
        if (target <= gain_) {
            gain_ = target;
        } else {
            gain_ += (target - gain_) * release_;
            if (target - gain_ < RELEASE_SNAP) gain_ = target;
        }

        float delayedLeft = left;
        float delayedRight = right;
        if (delay > 0) {
            const size_t d = static_cast<size_t>(frame_ % delay);
            delayedLeft = delay_[2 * d];
            delayedRight = delay_[2 * d + 1];
            delay_[2 * d] = left;
            delay_[2 * d + 1] = right;
        }
        ++frame_;
        if (gain_ != 1.0) {
            const auto gain = static_cast<float>(gain_);
            delayedLeft *= gain;
            delayedRight *= gain;
        }
        // Rounding of the gain's product may leave a value a hair past the ceiling.
        out[2 * f] = std::clamp(delayedLeft, -ceiling, ceiling);
        out[2 * f + 1] = std::clamp(delayedRight, -ceiling, ceiling);
    }
}

}  // namespace chordlane
