#include "platform/headless/VirtualWaveOutput.h"

#include <algorithm>
#include <memory>

#include "platform/headless/VirtualClock.h"

namespace chordlane {

uint32_t VirtualWaveOutput::DurationMs(const WaveFormat& format, uint32_t bytes) {
    const uint32_t frameBytes = format.channels * (format.bitsPerSample / 8u);
    if (frameBytes == 0 || format.samplesPerSec == 0) return 0;
    const uint64_t frames = bytes / frameBytes;
    return static_cast<uint32_t>((frames * 1000 + format.samplesPerSec - 1) / format.samplesPerSec);
}

VirtualWaveOutput::VirtualWaveOutput(Clock& clock) : clock_(clock) {
    virtualClock_ = dynamic_cast<VirtualClock*>(&clock);
    if (virtualClock_) virtualClock_->SetAdvanceHook([this](uint32_t) { DeliverDue(); });
}

VirtualWaveOutput::~VirtualWaveOutput() {
    if (virtualClock_) virtualClock_->SetAdvanceHook(nullptr);
}

WaveResult VirtualWaveOutput::Open(WaveDevice* device, const WaveFormat& format,
                                   NoticeHandler handler) {
    if (!device) return WaveResult::Error;
    *device = ++nextDevice_;
    devices_[*device].format = format;
    devices_[*device].handler = std::move(handler);
    return WaveResult::Ok;
}

WaveResult VirtualWaveOutput::Prepare(WaveDevice device, WaveHeader* header) {
    if (!devices_.count(device) || !header) return WaveResult::Error;
    header->flags |= WHDR_PREPARED;
    return WaveResult::Ok;
}

WaveResult VirtualWaveOutput::Unprepare(WaveDevice device, WaveHeader* header) {
    if (!devices_.count(device) || !header) return WaveResult::Error;
    if (header->flags & WHDR_INQUEUE) return WaveResult::StillPlaying;
    header->flags &= ~WHDR_PREPARED;
    return WaveResult::Ok;
}

WaveResult VirtualWaveOutput::Write(WaveDevice device, WaveHeader* header) {
    auto it = devices_.find(device);
    if (it == devices_.end() || !header) return WaveResult::Error;
    if (!(header->flags & WHDR_PREPARED)) return WaveResult::Unprepared;
    if ((header->flags & WHDR_INQUEUE) || it->second.queued) return WaveResult::StillPlaying;
    header->flags = (header->flags | WHDR_INQUEUE) & ~WHDR_DONE;
    Device& d = it->second;
    d.queued = header;
    d.queuedSerial = ++nextSerial_;
    const uint32_t now = clock_.TickCount();
    const uint32_t due = now + DurationMs(d.format, header->bufferLength);
    notices_.push_back({due, d.queuedSerial, device, header, d.queuedSerial});
    return WaveResult::Ok;
}

WaveResult VirtualWaveOutput::SetVolume(WaveDevice device, uint32_t volume) {
    auto it = devices_.find(device);
    if (it == devices_.end()) return WaveResult::Error;
    it->second.volume = volume;
    return WaveResult::Ok;
}

WaveResult VirtualWaveOutput::Reset(WaveDevice device) {
    auto it = devices_.find(device);
    if (it == devices_.end()) return WaveResult::Error;
    Device& d = it->second;
    if (d.queued) {
        // The playing buffer's own notice will not come; the returned buffer's does, next.
        const uint64_t serial = d.queuedSerial;
        std::erase_if(notices_, [&](const Notice& n) { return n.buffer == serial; });
        d.queued->flags = (d.queued->flags & ~WHDR_INQUEUE) | WHDR_DONE;
        notices_.push_back({clock_.TickCount(), ++nextSerial_, device, d.queued, 0});
        d.queued = nullptr;
    }
    return WaveResult::Ok;
}

WaveResult VirtualWaveOutput::Close(WaveDevice device) {
    auto it = devices_.find(device);
    if (it == devices_.end()) return WaveResult::Error;
    if (it->second.queued) it->second.queued->flags &= ~WHDR_INQUEUE;
    devices_.erase(it);
    std::erase_if(notices_, [&](const Notice& n) { return n.device == device; });
    return WaveResult::Ok;
}

size_t VirtualWaveOutput::DeliverDue() {
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

uint32_t VirtualWaveOutput::VolumeOf(WaveDevice device) const {
    auto it = devices_.find(device);
    return it == devices_.end() ? 0 : it->second.volume;
}

const WaveFormat* VirtualWaveOutput::FormatOf(WaveDevice device) const {
    auto it = devices_.find(device);
    return it == devices_.end() ? nullptr : &it->second.format;
}

std::unique_ptr<WaveOutput> MakeVirtualWaveOutput(Clock& clock) {
    return std::make_unique<VirtualWaveOutput>(clock);
}

}  // namespace chordlane
