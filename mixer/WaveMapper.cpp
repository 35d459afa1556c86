#include "mixer/WaveMapper.h"

#if __has_include(<sys/eventfd.h>) && !defined(__EMSCRIPTEN__)
#include <sys/eventfd.h>
#define CHORDLANE_HAVE_EVENTFD 1
#endif
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <thread>

namespace chordlane {

namespace {

constexpr uint32_t FULL_VOLUME = 0xFFFFFFFF;

MasterStageConfig MasterStageWithRate(MasterStageConfig config, uint32_t rate) {
    config.rate = rate;
    return config;
}

// Sample values to floats in -1..1: 16-bit signed, or 8-bit unsigned around 128.
void ToFloats(const uint8_t* p, size_t values, uint32_t bits, float* out) {
    if (bits == 16) {
        for (size_t i = 0; i < values; ++i) {
            int16_t v;
            std::memcpy(&v, p + 2 * i, 2);
            out[i] = static_cast<float>(v) * (1.0f / 32768.0f);
        }
    } else {
        for (size_t i = 0; i < values; ++i) {
            out[i] = static_cast<float>(static_cast<int32_t>(p[i]) - 128) * (1.0f / 128.0f);
        }
    }
}

// Adds frames of one or two channels into the stereo mix at the two gains.
void AddFrames(const float* in, size_t frames, bool stereo, float left, float right, float* out) {
    if (stereo) {
        for (size_t f = 0; f < frames; ++f) {
            out[2 * f] += in[2 * f] * left;
            out[2 * f + 1] += in[2 * f + 1] * right;
        }
    } else {
        for (size_t f = 0; f < frames; ++f) {
            out[2 * f] += in[f] * left;
            out[2 * f + 1] += in[f] * right;
        }
    }
}

}  // namespace

// What the user-interface thread tells the audio thread about one stream. Written under a
// sequence lock (odd while being written); the volume is read on its own, every block.
struct WaveMapper::Slot {
    std::atomic<uint32_t> sequence{0};
    std::atomic<const uint8_t*> data{nullptr};
    std::atomic<uint32_t> frames{0};
    std::atomic<uint32_t> generation{0};
    std::atomic<uint32_t> bits{16};
    std::atomic<uint32_t> channels{1};
    std::atomic<bool> playing{false};
    std::atomic<uint32_t> volume{FULL_VOLUME};
    // The latest generation the audio thread played to its end.
    std::atomic<uint32_t> finished{0};
};

// The audio thread's own state of a stream.
struct WaveMapper::Voice {
    bool active = false;
    uint32_t generation = 0;
    const uint8_t* data = nullptr;
    uint32_t frames = 0;
    uint32_t position = 0;
    uint32_t bits = 16;
    uint32_t channels = 1;
    uint32_t listIndex = 0;
};

// The user-interface thread's own state of a stream.
struct WaveMapper::Stream {
    bool open = false;
    WaveDevice device = NO_DEVICE;
    WaveFormat format;
    WaveHeader* queued = nullptr;
    uint32_t generation = 0;
};

WaveMapper::WaveMapper(const WaveMapperConfig& config)
    : config_(config),
      deviceRate_(config.deviceRate),
      finished_(std::max<size_t>(64, 2 * static_cast<size_t>(config.maxStreams))),
      master_(MasterStageWithRate(config.master, config.deviceRate)) {
    const uint32_t n = std::max<uint32_t>(1, config_.maxStreams);
    slots_ = std::make_unique<Slot[]>(n);
    voices_ = std::make_unique<Voice[]>(n);
    streams_ = std::make_unique<Stream[]>(n);
    active_ = std::make_unique<uint32_t[]>(n);
    dirtyWords_ = (n + 63) / 64;
    dirty_ = std::make_unique<std::atomic<uint64_t>[]>(dirtyWords_);
    for (size_t w = 0; w < dirtyWords_; ++w) dirty_[w].store(0);
    freeSlots_.reserve(n);
    // Lowest slots first, so they are handed out in order.
    for (uint32_t s = n; s-- > 0;) freeSlots_.push_back(s);
    const size_t block = std::max<uint32_t>(1, config_.maxBlockFrames);
    input_.resize(block * 2);
#ifdef CHORDLANE_HAVE_EVENTFD
    noticeFd_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
#endif
    // Without one (the web build's C library declares it but has none) the owner drains
    // notices on a timer or through the wake hook.
}

WaveMapper::~WaveMapper() {
    if (noticeFd_ >= 0) close(noticeFd_);
}

// User-interface thread

WaveMapper::Stream* WaveMapper::Find(WaveDevice device, uint32_t* slot) {
    auto it = deviceSlots_.find(device);
    if (it == deviceSlots_.end()) return nullptr;
    if (slot) *slot = it->second;
    return &streams_[it->second];
}

void WaveMapper::Publish(uint32_t slot, bool playing) {
    const Stream& stream = streams_[slot];
    Slot& s = slots_[slot];
    const uint32_t sequence = s.sequence.load(std::memory_order_relaxed);
    s.sequence.store(sequence + 1, std::memory_order_relaxed);
    std::atomic_thread_fence(std::memory_order_release);
    const uint32_t blockAlign = stream.format.channels * (stream.format.bitsPerSample / 8u);
    const WaveHeader* header = stream.queued;
    const bool hasData = playing && header && header->data && blockAlign > 0;
    s.data.store(hasData ? header->data : nullptr, std::memory_order_relaxed);
    s.frames.store(hasData ? header->bufferLength / blockAlign : 0, std::memory_order_relaxed);
    s.generation.store(stream.generation, std::memory_order_relaxed);
    s.bits.store(stream.format.bitsPerSample, std::memory_order_relaxed);
    s.channels.store(stream.format.channels, std::memory_order_relaxed);
    s.playing.store(playing, std::memory_order_relaxed);
    s.sequence.store(sequence + 2, std::memory_order_release);
    dirty_[slot / 64].fetch_or(uint64_t{1} << (slot % 64), std::memory_order_release);
}

void WaveMapper::WaitForRender() {
    // Either the audio thread is between blocks, and its next block takes up what was just
    // published before reading any data, or it is inside one: wait for that one to end.
    std::atomic_thread_fence(std::memory_order_seq_cst);
    const uint32_t count = renderCount_.load(std::memory_order_seq_cst);
    if ((count & 1) == 0) return;
    while (renderCount_.load(std::memory_order_acquire) == count) std::this_thread::yield();
}

void WaveMapper::Wake() {
    if (noticeFd_ >= 0) {
        const uint64_t one = 1;
        [[maybe_unused]] const ssize_t written = write(noticeFd_, &one, sizeof one);
    }
    if (wakeHook_) wakeHook_(wakeContext_);
}

WaveResult WaveMapper::Open(WaveDevice* device, const WaveFormat& format, NoticeHandler handler) {
    if (!device) return WaveResult::Error;
    *device = NO_DEVICE;
    // Sounds come converted to the mix's rate when they are loaded; one at another rate
    // would play at the wrong speed and pitch.
    if (format.formatTag != 1 || (format.channels != 1 && format.channels != 2) ||
        (format.bitsPerSample != 8 && format.bitsPerSample != 16) ||
        format.samplesPerSec != DeviceRate()) {
        return WaveResult::BadFormat;
    }
    if (freeSlots_.empty()) return WaveResult::NoDevice;
    const uint32_t slot = freeSlots_.back();
    Stream& stream = streams_[slot];
    freeSlots_.pop_back();
    if (++lastDevice_ == NO_DEVICE) ++lastDevice_;
    stream.open = true;
    stream.device = lastDevice_;
    stream.format = format;
    stream.queued = nullptr;
    deviceSlots_[stream.device] = slot;
    handlers_[stream.device] = std::move(handler);
    slots_[slot].volume.store(FULL_VOLUME, std::memory_order_relaxed);
    Publish(slot, false);
    *device = stream.device;
    return WaveResult::Ok;
}

WaveResult WaveMapper::Prepare(WaveDevice device, WaveHeader* header) {
    if (!Find(device) || !header) return WaveResult::Error;
    header->flags |= WHDR_PREPARED;
    return WaveResult::Ok;
}

WaveResult WaveMapper::Unprepare(WaveDevice device, WaveHeader* header) {
    if (!Find(device) || !header) return WaveResult::Error;
    if (header->flags & WHDR_INQUEUE) return WaveResult::StillPlaying;
    header->flags &= ~WHDR_PREPARED;
    return WaveResult::Ok;
}

WaveResult WaveMapper::Write(WaveDevice device, WaveHeader* header) {
    uint32_t slot = 0;
    Stream* stream = Find(device, &slot);
    if (!stream || !header) return WaveResult::Error;
    if (!(header->flags & WHDR_PREPARED)) return WaveResult::Unprepared;
    if ((header->flags & WHDR_INQUEUE) || stream->queued) return WaveResult::StillPlaying;
    header->flags = (header->flags | WHDR_INQUEUE) & ~WHDR_DONE;
    stream->queued = header;
    // Generations only grow, so a finished buffer of an earlier write never passes for
    // this one.
    if (++stream->generation == 0) ++stream->generation;
    Publish(slot, true);
    return WaveResult::Ok;
}

WaveResult WaveMapper::SetVolume(WaveDevice device, uint32_t volume) {
    uint32_t slot = 0;
    if (!Find(device, &slot)) return WaveResult::Error;
    slots_[slot].volume.store(volume, std::memory_order_relaxed);
    return WaveResult::Ok;
}

void WaveMapper::CompleteStream(uint32_t, Stream& stream, WaveHeader* header) {
    header->flags = (header->flags & ~WHDR_INQUEUE) | WHDR_DONE;
    stream.queued = nullptr;
}

WaveResult WaveMapper::Reset(WaveDevice device) {
    uint32_t slot = 0;
    Stream* stream = Find(device, &slot);
    if (!stream) return WaveResult::Error;
    if (WaveHeader* header = stream->queued) {
        stream->queued = nullptr;
        Publish(slot, false);
        WaitForRender();
        header->flags = (header->flags & ~WHDR_INQUEUE) | WHDR_DONE;
        resetNotices_.push_back({device, header});
        Wake();
    }
    return WaveResult::Ok;
}

WaveResult WaveMapper::Close(WaveDevice device) {
    uint32_t slot = 0;
    Stream* stream = Find(device, &slot);
    if (!stream) return WaveResult::Error;
    if (stream->queued) stream->queued->flags &= ~WHDR_INQUEUE;
    stream->queued = nullptr;
    stream->open = false;
    stream->device = NO_DEVICE;
    Publish(slot, false);
    WaitForRender();
    deviceSlots_.erase(device);
    handlers_.erase(device);
    freeSlots_.push_back(slot);
    std::erase_if(resetNotices_, [&](const PendingNotice& n) { return n.device == device; });
    return WaveResult::Ok;
}

void WaveMapper::SetTap(MixTap* tap) {
    tap_.store(tap, std::memory_order_seq_cst);
    WaitForRender();
}

void WaveMapper::SetWakeHook(void (*hook)(void*), void* context) {
    wakeHook_ = hook;
    wakeContext_ = context;
}

bool WaveMapper::SetDeviceRate(uint32_t rate) {
    if (rate == DeviceRate()) return true;
    if (rate == 0 || !deviceSlots_.empty()) return false;
    deviceRate_.store(rate, std::memory_order_relaxed);
    master_.SetRate(rate);
    return true;
}

size_t WaveMapper::DeliverNotices() {
    // A handler may start, stop or close devices; it may not deliver notices itself.
    if (delivering_) return 0;
    delivering_ = true;
    if (noticeFd_ >= 0) {
        uint64_t count;
        [[maybe_unused]] const ssize_t got = read(noticeFd_, &count, sizeof count);
    }
    size_t delivered = 0;
    auto deliver = [&](WaveDevice device, WaveHeader* header) {
        ++delivered;
        // Looked up at delivery: a closed device's notices go nowhere.
        auto it = handlers_.find(device);
        if (it != handlers_.end() && it->second) it->second(device, header);
    };
    // Buffers returned by resets, then buffers played to their end. Notices that handlers
    // cause now are delivered next time.
    for (size_t n = resetNotices_.size(); n > 0 && !resetNotices_.empty(); --n) {
        const PendingNotice notice = resetNotices_.front();
        resetNotices_.pop_front();
        if (Find(notice.device)) deliver(notice.device, notice.header);
    }
    Finished f;
    while (finished_.Pop(f)) {
        Stream& stream = streams_[f.slot];
        if (!stream.open || !stream.queued || stream.generation != f.generation) continue;
        WaveHeader* header = stream.queued;
        CompleteStream(f.slot, stream, header);
        deliver(stream.device, header);
    }
    if (finishedOverflow_.exchange(false)) {
        // The ring was full: look at every stream for a buffer that has played out.
        for (uint32_t s = 0; s < std::max<uint32_t>(1, config_.maxStreams); ++s) {
            Stream& stream = streams_[s];
            if (!stream.open || !stream.queued ||
                slots_[s].finished.load(std::memory_order_acquire) != stream.generation) {
                continue;
            }
            WaveHeader* header = stream.queued;
            CompleteStream(s, stream, header);
            deliver(stream.device, header);
        }
    }
    delivering_ = false;
    return delivered;
}

// Audio thread

void WaveMapper::Activate(uint32_t slot) {
    Voice& v = voices_[slot];
    if (v.active) return;
    v.active = true;
    v.listIndex = activeCount_;
    active_[activeCount_++] = slot;
}

void WaveMapper::Deactivate(uint32_t slot) {
    Voice& v = voices_[slot];
    if (!v.active) return;
    v.active = false;
    const uint32_t last = active_[--activeCount_];
    active_[v.listIndex] = last;
    voices_[last].listIndex = v.listIndex;
}

void WaveMapper::ApplySlot(uint32_t slot) {
    const Slot& s = slots_[slot];
    Voice& v = voices_[slot];
    const uint32_t before = s.sequence.load(std::memory_order_acquire);
    const uint8_t* data = s.data.load(std::memory_order_relaxed);
    const uint32_t frames = s.frames.load(std::memory_order_relaxed);
    const uint32_t generation = s.generation.load(std::memory_order_relaxed);
    const uint32_t bits = s.bits.load(std::memory_order_relaxed);
    const uint32_t channels = s.channels.load(std::memory_order_relaxed);
    const bool playing = s.playing.load(std::memory_order_relaxed);
    std::atomic_thread_fence(std::memory_order_acquire);
    if ((before & 1) || s.sequence.load(std::memory_order_relaxed) != before) {
        // Being rewritten right now: whatever this voice played is being replaced, so it
        // falls silent, and the slot is read again at the next block.
        Deactivate(slot);
        dirty_[slot / 64].fetch_or(uint64_t{1} << (slot % 64), std::memory_order_relaxed);
        return;
    }
    if (!playing) {
        Deactivate(slot);
        v.generation = generation;
        return;
    }
    if (generation == v.generation) return;
    v.generation = generation;
    v.data = data;
    v.frames = frames;
    v.position = 0;
    v.bits = bits;
    v.channels = channels;
    Activate(slot);
}

void WaveMapper::ApplyChanges() {
    for (size_t w = 0; w < dirtyWords_; ++w) {
        if (dirty_[w].load(std::memory_order_relaxed) == 0) continue;
        uint64_t bits = dirty_[w].exchange(0, std::memory_order_acq_rel);
        while (bits) {
            const int bit = __builtin_ctzll(bits);
            bits &= bits - 1;
            ApplySlot(static_cast<uint32_t>(w * 64 + bit));
        }
    }
}

bool WaveMapper::MixVoice(Voice& v, const Slot& slot, float* out, size_t frames) {
    const uint32_t volume = slot.volume.load(std::memory_order_relaxed);
    const float left = static_cast<float>(volume & 0xFFFF) * (1.0f / 65535.0f);
    const float right = static_cast<float>(volume >> 16) * (1.0f / 65535.0f);
    const uint32_t frameBytes = v.channels * (v.bits / 8);
    const bool stereo = v.channels == 2;

    const size_t n = std::min<size_t>(frames, v.frames - v.position);
    ToFloats(v.data + static_cast<size_t>(v.position) * frameBytes, n * v.channels, v.bits,
             input_.data());
    AddFrames(input_.data(), n, stereo, left, right, out);
    v.position += static_cast<uint32_t>(n);
    return v.position >= v.frames;
}

bool WaveMapper::RenderPiece(float* out, size_t frames) {
    std::fill(out, out + 2 * frames, 0.0f);
    bool finished = false;
    for (uint32_t i = 0; i < activeCount_;) {
        const uint32_t slot = active_[i];
        Voice& v = voices_[slot];
        if (!MixVoice(v, slots_[slot], out, frames)) {
            ++i;
            continue;
        }
        // The last voice moves into place i, so i is not advanced.
        Deactivate(slot);
        slots_[slot].finished.store(v.generation, std::memory_order_release);
        if (!finished_.Push({slot, v.generation})) {
            finishedOverflow_.store(true, std::memory_order_release);
        }
        finished = true;
    }
    return finished;
}

void WaveMapper::Render(std::span<float> out, size_t frames) {
    frames = std::min(frames, out.size() / 2);
    renderCount_.fetch_add(1, std::memory_order_seq_cst);
    std::atomic_thread_fence(std::memory_order_seq_cst);
    ApplyChanges();
    const size_t block = std::max<uint32_t>(1, config_.maxBlockFrames);
    bool finished = false;
    for (size_t done = 0; done < frames; done += block) {
        finished |= RenderPiece(out.data() + 2 * done, std::min(block, frames - done));
    }
    // The last step of the mix, on the whole block: what a device or a file hears never
    // clips.
    master_.Process(out.data(), frames);
    if (muted_.load(std::memory_order_relaxed)) std::fill_n(out.data(), 2 * frames, 0.0f);

    // Last, once the block is final: a recording holds exactly what the output plays.
    if (MixTap* tap = tap_.load(std::memory_order_acquire)) tap->Tap(out.data(), frames);

    renderCount_.fetch_add(1, std::memory_order_release);
    // Only once the block is done: a hook that delivers notices on this very thread may
    // then reset and free buffers without waiting for itself.
    if (finished) Wake();
}

}  // namespace chordlane
