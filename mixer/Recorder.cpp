#include "mixer/Recorder.h"

#include <chrono>
#include <system_error>

#include "platform/Text.h"

namespace chordlane {

namespace {

// Values the writer takes from the ring at once: a few blocks of the output.
constexpr size_t DRAIN_VALUES = 2 * 4096;

}  // namespace

Recorder::Recorder(WaveMapper& mapper, const RecorderConfig& config)
    : mapper_(mapper), config_(config) {}

Recorder::~Recorder() { Stop(); }

std::string Recorder::Start(const String& path, uint32_t bitsPerSample) {
    if (writer_) return "a recording is already being made";
    const uint32_t rate = mapper_.DeviceRate();
    std::string error;
    std::unique_ptr<WavWriter> writer =
        WavWriter::Create(ToUtf8(path), {.rate = rate, .bitsPerSample = bitsPerSample}, &error);
    if (!writer) return error;
    const uint64_t ringFrames = std::max<uint64_t>(1, uint64_t{rate} * config_.ringMs / 1000);
    ring_ = std::make_unique<SpscRing<float>>(static_cast<size_t>(2 * ringFrames));
    scratch_.resize(DRAIN_VALUES);
    overruns_.store(0);
    lostFrames_.store(0);
    framesWritten_.store(0);
    full_.store(false);
    {
        std::lock_guard lock(mutex_);
        stopping_ = false;
        error_.clear();
    }
    writer_ = std::move(writer);
    try {
        thread_ = std::thread([this] { WriteLoop(); });
    } catch (const std::system_error& e) {
        writer_->Finish();
        writer_.reset();
        ring_.reset();
        return std::string("no thread to write it: ") + e.what();
    }
    mapper_.SetTap(this);
    return {};
}

RecordingStats Recorder::Stop() {
    if (!writer_) return {};
    // Detached first: once SetTap returns, the ring gets nothing more, and the writer's
    // last drain takes every block the output played.
    mapper_.SetTap(nullptr);
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_one();
    thread_.join();
    writer_->Finish();
    RecordingStats stats = Progress();
    if (stats.error.empty()) stats.error = writer_->Error();
    writer_.reset();
    ring_.reset();
    return stats;
}

RecordingStats Recorder::Progress() const {
    RecordingStats stats;
    if (!writer_) return stats;
    stats.rate = writer_->Config().rate;
    stats.bitsPerSample = writer_->Config().bitsPerSample;
    stats.frames = framesWritten_.load(std::memory_order_acquire);
    stats.overruns = overruns_.load(std::memory_order_relaxed);
    stats.lostFrames = lostFrames_.load(std::memory_order_relaxed);
    stats.full = full_.load(std::memory_order_acquire);
    std::lock_guard lock(mutex_);
    stats.error = error_;
    return stats;
}

void Recorder::Tap(const float* stereo, size_t frames) {
    if (!ring_->Write(stereo, 2 * frames)) {
        overruns_.fetch_add(1, std::memory_order_relaxed);
        lostFrames_.fetch_add(frames, std::memory_order_relaxed);
    }
}

bool Recorder::Drain() {
    bool any = false;
    while (const size_t n = ring_->Read(scratch_.data(), scratch_.size())) {
        any = true;
        // After a failure or at the size limit the ring is still emptied, so the audio
        // thread does not count the rest of the recording as overruns.
        if (!writer_->Error().empty() || writer_->Full()) continue;
        if (!writer_->Append(scratch_.data(), n / 2)) {
            full_.store(writer_->Full(), std::memory_order_release);
            if (!writer_->Error().empty()) {
                std::lock_guard lock(mutex_);
                error_ = writer_->Error();
            }
        }
        framesWritten_.store(writer_->Frames(), std::memory_order_release);
    }
    return any;
}

void Recorder::WriteLoop() {
    using Clock = std::chrono::steady_clock;
    const auto poll = std::chrono::milliseconds(std::max<uint32_t>(1, config_.writerPollMs));
    const auto headerInterval = std::chrono::milliseconds(config_.headerIntervalMs);
    auto lastHeader = Clock::now();
    for (;;) {
        bool stop = false;
        {
            std::unique_lock lock(mutex_);
            wake_.wait_for(lock, poll, [this] { return stopping_; });
            stop = stopping_;
        }
        Drain();
        const auto now = Clock::now();
        if (stop) break;
        if (now - lastHeader >= headerInterval) {
            if (!writer_->UpdateHeader()) {
                std::lock_guard lock(mutex_);
                error_ = writer_->Error();
            }
            lastHeader = now;
        }
    }
}

}  // namespace chordlane
