#include "platform/headless/FakeWaveOutput.h"

#include <algorithm>
#include <memory>

#include "platform/headless/HeadlessPlatform.h"

namespace chordlane {

namespace {

// Milliseconds a buffer plays, rounded up so a notice never comes early.
uint32_t DurationMs(const WaveFormat& format, uint32_t bytes) {
    const uint32_t frameBytes = format.channels * (format.bitsPerSample / 8u);
    if (frameBytes == 0 || format.samplesPerSec == 0) return 0;
    const uint64_t frames = bytes / frameBytes;
    return static_cast<uint32_t>((frames * 1000 + format.samplesPerSec - 1) / format.samplesPerSec);
}

}  // namespace

FakeWaveOutput::FakeWaveOutput(Clock& clock) : clock_(clock) {
    virtualClock_ = dynamic_cast<VirtualClock*>(&clock);
    if (virtualClock_) virtualClock_->SetAdvanceHook([this](uint32_t) { DeliverDue(); });
}

FakeWaveOutput::~FakeWaveOutput() {
    if (virtualClock_) virtualClock_->SetAdvanceHook(nullptr);
}

WaveResult FakeWaveOutput::Record(const std::string& op, WaveDevice device, WaveResult result,
                                  uint32_t value, const uint8_t* data) {
    calls_.push_back({op, device, result, value, data});
    return result;
}

bool FakeWaveOutput::Failing(const std::string& op, WaveDevice device, WaveResult& result) {
    auto it = failures_.find(op);
    if (it == failures_.end()) return false;
    result = Record(op, device, it->second);
    failures_.erase(it);
    return true;
}

void FakeWaveOutput::FailNext(const std::string& op, WaveResult result) { failures_[op] = result; }

WaveResult FakeWaveOutput::Open(WaveDevice* device, const WaveFormat& format,
                                NoticeHandler handler) {
    WaveResult failed;
    if (Failing("open", NO_DEVICE, failed)) return failed;
    if (!device) return Record("open", NO_DEVICE, WaveResult::Error);
    *device = ++nextDevice_;
    devices_[*device].format = format;
    devices_[*device].handler = std::move(handler);
    return Record("open", *device, WaveResult::Ok);
}

WaveResult FakeWaveOutput::Prepare(WaveDevice device, WaveHeader* header) {
    WaveResult failed;
    if (Failing("prepare", device, failed)) return failed;
    if (!devices_.count(device) || !header) return Record("prepare", device, WaveResult::Error);
    header->flags |= WHDR_PREPARED;
    return Record("prepare", device, WaveResult::Ok);
}

WaveResult FakeWaveOutput::Unprepare(WaveDevice device, WaveHeader* header) {
    WaveResult failed;
    if (Failing("unprepare", device, failed)) return failed;
    if (!devices_.count(device) || !header) return Record("unprepare", device, WaveResult::Error);
    if (header->flags & WHDR_INQUEUE) return Record("unprepare", device, WaveResult::StillPlaying);
    header->flags &= ~WHDR_PREPARED;
    return Record("unprepare", device, WaveResult::Ok);
}

WaveResult FakeWaveOutput::Write(WaveDevice device, WaveHeader* header) {
    WaveResult failed;
    if (Failing("write", device, failed)) return failed;
    auto it = devices_.find(device);
    if (it == devices_.end() || !header) return Record("write", device, WaveResult::Error);
    if (!(header->flags & WHDR_PREPARED)) return Record("write", device, WaveResult::Unprepared);
    if ((header->flags & WHDR_INQUEUE) || it->second.queued)
        return Record("write", device, WaveResult::StillPlaying);
    header->flags = (header->flags | WHDR_INQUEUE) & ~WHDR_DONE;
    Device& d = it->second;
    d.queued = header;
    d.queuedSerial = ++nextSerial_;
    const uint32_t now = clock_.TickCount();
    const uint32_t due = now + DurationMs(d.format, header->bufferLength);
    notices_.push_back({due, d.queuedSerial, device, header, d.queuedSerial});
    played_.push_back({device, header->data, header->bufferLength, d.volume, now, due});
    return Record("write", device, WaveResult::Ok, 0, header->data);
}

WaveResult FakeWaveOutput::SetVolume(WaveDevice device, uint32_t volume) {
    WaveResult failed;
    if (Failing("volume", device, failed)) return failed;
    auto it = devices_.find(device);
    if (it == devices_.end()) return Record("volume", device, WaveResult::Error, volume);
    it->second.volume = volume;
    return Record("volume", device, WaveResult::Ok, volume);
}

WaveResult FakeWaveOutput::Reset(WaveDevice device) {
    WaveResult failed;
    if (Failing("reset", device, failed)) return failed;
    auto it = devices_.find(device);
    if (it == devices_.end()) return Record("reset", device, WaveResult::Error);
    Device& d = it->second;
    if (d.queued) {
        // The playing buffer's own notice will not come; the returned buffer's does, next.
        const uint64_t serial = d.queuedSerial;
        std::erase_if(notices_, [&](const Notice& n) { return n.buffer == serial; });
        d.queued->flags = (d.queued->flags & ~WHDR_INQUEUE) | WHDR_DONE;
        notices_.push_back({clock_.TickCount(), ++nextSerial_, device, d.queued, 0});
        d.queued = nullptr;
    }
    return Record("reset", device, WaveResult::Ok);
}

WaveResult FakeWaveOutput::Close(WaveDevice device) {
    WaveResult failed;
    if (Failing("close", device, failed)) return failed;
    auto it = devices_.find(device);
    if (it == devices_.end()) return Record("close", device, WaveResult::Error);
    if (it->second.queued) it->second.queued->flags &= ~WHDR_INQUEUE;
    devices_.erase(it);
    std::erase_if(notices_, [&](const Notice& n) { return n.device == device; });
    return Record("close", device, WaveResult::Ok);
}

size_t FakeWaveOutput::DeliverDue() {
    if (delivering_) return 0;
    delivering_ = true;
    size_t delivered = 0;
    const uint32_t now = clock_.TickCount();
    for (;;) {
        // The earliest due notice; ties in the order they were posted. Handlers may queue
        // or drop notices, so look again each time.
        auto next = std::min_element(
            notices_.begin(), notices_.end(), [](const Notice& a, const Notice& b) {
                return a.due != b.due ? a.due < b.due : a.serial < b.serial;
            });
        if (next == notices_.end() || static_cast<int32_t>(next->due - now) > 0) break;
        const Notice notice = *next;
        notices_.erase(next);
        if (notice.buffer != 0) {
            auto it = devices_.find(notice.device);
            if (it == devices_.end() || it->second.queuedSerial != notice.buffer) continue;
            it->second.queued = nullptr;
            notice.header->flags = (notice.header->flags & ~WHDR_INQUEUE) | WHDR_DONE;
        }
        ++delivered;
        // Copied: the handler may close the device.
        auto device = devices_.find(notice.device);
        if (device == devices_.end()) continue;
        NoticeHandler handler = device->second.handler;
        if (handler) handler(notice.device, notice.header);
    }
    delivering_ = false;
    return delivered;
}

size_t FakeWaveOutput::Count(const std::string& op) const {
    return static_cast<size_t>(
        std::count_if(calls_.begin(), calls_.end(), [&](const Call& c) { return c.op == op; }));
}

uint32_t FakeWaveOutput::VolumeOf(WaveDevice device) const {
    auto it = devices_.find(device);
    return it == devices_.end() ? 0 : it->second.volume;
}

const WaveFormat* FakeWaveOutput::FormatOf(WaveDevice device) const {
    auto it = devices_.find(device);
    return it == devices_.end() ? nullptr : &it->second.format;
}

std::unique_ptr<WaveOutput> MakeFakeWaveOutput(Clock& clock) {
    return std::make_unique<FakeWaveOutput>(clock);
}

}  // namespace chordlane
