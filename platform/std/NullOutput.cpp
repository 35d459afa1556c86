#include "platform/std/NullOutput.h"

#include <algorithm>
#include <chrono>
#include <vector>

#include "mixer/FlushDenormals.h"
#include "mixer/WaveMapper.h"
#include "platform/std/RenderThread.h"

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
    std::vector<float> block(2 * static_cast<size_t>(blockFrames_));
    FlushDenormalsOnThisThread();
    BlockPacer pacer(rate_, blockFrames_, BlockPacer::Clock::now());
    while (running_.load(std::memory_order_relaxed)) {
        mapper_.Render(block, blockFrames_);
        const auto next = pacer.Next(BlockPacer::Clock::now());
        underruns_.store(pacer.Underruns(), std::memory_order_relaxed);
        std::this_thread::sleep_until(next);
    }
}

}  // namespace chordlane
