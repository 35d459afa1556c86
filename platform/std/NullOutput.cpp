#include "platform/std/NullOutput.h"

#include <algorithm>
#include <chrono>
#include <vector>

#include "mixer/WaveMapper.h"

namespace chordlane {

NullOutput::NullOutput(WaveMapper& mapper, const NullOutputConfig& config)
    : mapper_(mapper),
      rate_(mapper.DeviceRate()),
      blockFrames_(std::max<uint32_t>(1, config.blockFrames)),
      thread_([this] { Run(); }) {}

NullOutput::~NullOutput() { Stop(); }

std::string NullOutput::Describe() const {
    return "no sound device: mixing in real time without output, " + std::to_string(rate_) +
           " Hz, " + std::to_string(blockFrames_) + " frames per block";
}

void NullOutput::Stop() {
    running_.store(false);
    if (thread_.joinable()) thread_.join();
}

void NullOutput::Run() {
    using Clock = std::chrono::steady_clock;
    std::vector<float> block(2 * static_cast<size_t>(blockFrames_));
    const auto start = Clock::now();
    for (uint64_t rendered = 0; running_.load(std::memory_order_relaxed);) {
        mapper_.Render(block, blockFrames_);
        rendered += blockFrames_;
        // Deadlines from the start, so rounding does not drift.
        std::this_thread::sleep_until(start +
                                      std::chrono::microseconds(rendered * 1000000 / rate_));
    }
}

}  // namespace chordlane
