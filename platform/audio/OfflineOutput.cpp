#include "platform/audio/OfflineOutput.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/audio/WaveMapper.h"

namespace chordlane {

namespace {

// A WAV file's sizes are 32-bit: the data stops growing here (about six hours at 48 kHz).
constexpr uint64_t MAX_DATA_BYTES = 0xFFFFFFFFull - 36;

void Put16(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}
void Put32(uint8_t* p, uint32_t v) {
    Put16(p, v & 0xFFFF);
    Put16(p + 2, v >> 16);
}

void Header(uint8_t* h, uint32_t rate, uint32_t dataBytes) {
    std::memcpy(h, "RIFF", 4);
    Put32(h + 4, 36 + dataBytes);
    std::memcpy(h + 8, "WAVEfmt ", 8);
    Put32(h + 16, 16);
    Put16(h + 20, 1);
    Put16(h + 22, 2);
    Put32(h + 24, rate);
    Put32(h + 28, rate * 4);
    Put16(h + 32, 4);
    Put16(h + 34, 16);
    std::memcpy(h + 36, "data", 4);
    Put32(h + 40, dataBytes);
}

}  // namespace

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
    pcm_.resize(4 * static_cast<size_t>(blockFrames_));
    if (wantsFile_) {
        file_ = std::fopen(config.path.c_str(), "wb");
        if (!file_) failed_ = true;
        uint8_t header[44];
        Header(header, rate_, 0);
        if (file_ && std::fwrite(header, 1, sizeof header, file_) != sizeof header) failed_ = true;
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
        const size_t values = 2 * keep;
        const float* from = mix_.data() + 2 * skip;
        for (size_t i = 0; i < values; ++i) {
            const float x = std::clamp(from[i], -1.0f, 1.0f);
            const auto v = static_cast<int16_t>(std::lrintf(x * 32767.0f));
            Put16(pcm_.data() + 2 * i, static_cast<uint16_t>(v));
        }
        const size_t bytes = 2 * values;
        if (dataBytes_ + bytes > MAX_DATA_BYTES) continue;
        if (std::fwrite(pcm_.data(), 1, bytes, file_) != bytes) failed_ = true;
        dataBytes_ += bytes;
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
    uint8_t header[44];
    Header(header, rate_, static_cast<uint32_t>(dataBytes_));
    if (std::fseek(file_, 0, SEEK_SET) != 0 ||
        std::fwrite(header, 1, sizeof header, file_) != sizeof header)
        failed_ = true;
    if (std::fclose(file_) != 0) failed_ = true;
    file_ = nullptr;
    return !failed_;
}

}  // namespace chordlane
