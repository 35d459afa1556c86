#include "platform/headless/OfflineOutput.h"

#include <algorithm>

#include "mixer/WavWriter.h"
#include "mixer/WaveMapper.h"

namespace chordlane {

OfflineOutput::OfflineOutput(WaveMapper& mapper, Clock& clock, const OfflineOutputConfig& config)
    : mapper_(mapper),
      clock_(clock),
      rate_(config.rate),
      blockFrames_(std::max<uint32_t>(1, config.blockFrames)),
      wantsFile_(!config.path.empty()) {
    if (!mapper_.SetDeviceRate(rate_)) rate_ = mapper_.DeviceRate();
    latency_ = mapper_.MasterLatency();
    skip_ = latency_;
    lastTick_ = clock_.TickCount();
    mix_.resize(2 * static_cast<size_t>(blockFrames_));
    if (wantsFile_) {
        file_ = WavWriter::Create(config.path, {.rate = rate_, .replaceExisting = true}, nullptr);
        if (!file_) failed_ = true;
    }
}

OfflineOutput::~OfflineOutput() { Finish(); }

std::string OfflineOutput::Describe() const {
    return "offline mix on the virtual clock, " + std::to_string(rate_) + " Hz";
}

void OfflineOutput::Advance() {
    const uint32_t now = clock_.TickCount();
    elapsedMs_ += now - lastTick_;
    lastTick_ = now;
    const uint64_t target = elapsedMs_ * rate_ / 1000;
    if (framesRendered_ < target) RenderFrames(target - framesRendered_);
    // After the mix has caught up with the clock: a handler that starts a sound now starts
    // it at the right place in the mix.
    mapper_.DeliverNotices();
}

void OfflineOutput::RenderFrames(uint64_t frames) {
    for (uint64_t left = frames; left > 0;) {
        const auto n = static_cast<size_t>(std::min<uint64_t>(blockFrames_, left));
        mapper_.Render(mix_, n);
        left -= n;
        framesRendered_ += n;
        // The master stage's look-ahead delays the mix; its first frames are the silence
        // it started with, and the file begins where the mix did.
        const size_t skip = static_cast<size_t>(std::min<uint64_t>(n, skip_));
        skip_ -= skip;
        const uint64_t room = writeLimit_ - std::min(writeLimit_, framesWritten_);
        const auto keep = static_cast<size_t>(std::min<uint64_t>(n - skip, room));
        if (!file_ || keep == 0) continue;
        framesWritten_ += keep;
        // A file that reached the 4 GiB a WAV file can count takes no more; only a write
        // that failed is a failure.
        if (!file_->Append(mix_.data() + 2 * skip, keep) && !file_->Error().empty()) failed_ = true;
    }
}

bool OfflineOutput::Finish() {
    if (!file_) return !failed_;
    // The frames the look-ahead still holds, so the file is as long as the mix was.
    if (!finishing_) {
        finishing_ = true;
        writeLimit_ = framesRendered_;
        const uint64_t rendered = framesRendered_;
        RenderFrames(latency_);
        framesRendered_ = rendered;
    }
    if (!file_->Finish()) failed_ = true;
    file_.reset();
    return !failed_;
}

}  // namespace chordlane
