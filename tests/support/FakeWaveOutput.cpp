#include "tests/support/FakeWaveOutput.h"

#include <algorithm>

namespace chordlane {

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
    const WaveResult result = VirtualWaveOutput::Open(device, format, std::move(handler));
    return Record("open", result == WaveResult::Ok ? *device : NO_DEVICE, result);
}

WaveResult FakeWaveOutput::Prepare(WaveDevice device, WaveHeader* header) {
    WaveResult failed;
    if (Failing("prepare", device, failed)) return failed;
    return Record("prepare", device, VirtualWaveOutput::Prepare(device, header));
}

WaveResult FakeWaveOutput::Unprepare(WaveDevice device, WaveHeader* header) {
    WaveResult failed;
    if (Failing("unprepare", device, failed)) return failed;
    return Record("unprepare", device, VirtualWaveOutput::Unprepare(device, header));
}

WaveResult FakeWaveOutput::Write(WaveDevice device, WaveHeader* header) {
    WaveResult failed;
    if (Failing("write", device, failed)) return failed;
    const uint32_t volume = VolumeOf(device);
    const WaveResult result = VirtualWaveOutput::Write(device, header);
    if (result != WaveResult::Ok) return Record("write", device, result);
    const uint32_t now = clock_.TickCount();
    const uint32_t due = now + DurationMs(*FormatOf(device), header->bufferLength);
    played_.push_back({device, header->data, header->bufferLength, volume, now, due});
    return Record("write", device, result, 0, header->data);
}

WaveResult FakeWaveOutput::SetVolume(WaveDevice device, uint32_t volume) {
    WaveResult failed;
    if (Failing("volume", device, failed)) return failed;
    return Record("volume", device, VirtualWaveOutput::SetVolume(device, volume), volume);
}

WaveResult FakeWaveOutput::Reset(WaveDevice device) {
    WaveResult failed;
    if (Failing("reset", device, failed)) return failed;
    return Record("reset", device, VirtualWaveOutput::Reset(device));
}

WaveResult FakeWaveOutput::Close(WaveDevice device) {
    WaveResult failed;
    if (Failing("close", device, failed)) return failed;
    return Record("close", device, VirtualWaveOutput::Close(device));
}

size_t FakeWaveOutput::Count(const std::string& op) const {
    return static_cast<size_t>(
        std::count_if(calls_.begin(), calls_.end(), [&](const Call& c) { return c.op == op; }));
}

std::unique_ptr<WaveOutput> MakeFakeWaveOutput(Clock& clock) {
    return std::make_unique<FakeWaveOutput>(clock);
}

}  // namespace chordlane
