#include "sound/SoundChannel.h"

#include <mutex>
#include <unordered_map>

#include "app/EventTrace.h"
#include "elements/Element.h"
#include "platform/Platform.h"
#include "sound/Sample.h"

namespace chordlane {

namespace {

// A device is kept for a new sound only when some channel started within this time.
constexpr uint32_t DEVICE_REUSE_MS = 2000;

// Guards the test-and-clear of the flags in Finish; nothing else is held while it is.
std::mutex g_channelLock;
uint32_t g_lastStart = 0;
uintptr_t g_nextId = 0;

// The live channels by the address of their header. A notice names a header and a device;
// it is delivered only when a live channel has that header and that device open (device
// handles are never reused, so a channel born at a dead one's address is not mistaken).
std::unordered_map<const WaveHeader*, SoundChannel*>& LiveChannels() {
    static std::unordered_map<const WaveHeader*, SoundChannel*> channels;
    return channels;
}

bool SameFormat(const WaveFormat& a, const WaveFormat& b) {
    return a.formatTag == b.formatTag && a.channels == b.channels &&
           a.samplesPerSec == b.samplesPerSec && a.bitsPerSample == b.bitsPerSample &&
           a.blockAlign == b.blockAlign;
}

}  // namespace

SoundChannel::SoundChannel(const Element* owner) : owner_(owner), id_(++g_nextId) {
    LiveChannels()[&header_] = this;
}

SoundChannel::~SoundChannel() {
    LiveChannels().erase(&header_);
    CloseDevice();
}

void SoundChannel::ResetStartTime() { g_lastStart = 0; }

WaveOutput* SoundChannel::Output() {
    // A device belongs to the output it was opened on; once the platform has another one,
    // the handle means nothing and the device is forgotten.
    WaveOutput* current = CurrentPlatform().waveOut;
    if (device_ != NO_DEVICE && deviceOutput_ != current) device_ = NO_DEVICE;
    return current;
}

void SoundChannel::CloseDevice() {
    WaveOutput* out = Output();
    if (device_ == NO_DEVICE || !out) return;
    out->Reset(device_);
    out->Close(device_);
    device_ = NO_DEVICE;
}

bool SoundChannel::Start(Sample* sample, int32_t volume, int32_t, Element* source) {
    WaveOutput* out = Output();
    Clock* clock = CurrentPlatform().clock;
    const uint32_t now = clock ? clock->TickCount() : 0;
    bool same = device_ != NO_DEVICE && sample && header_.data == sample->Data();

    // A third start of the same sample before the cut sound's notice came is ignored.
    if (same && (flags_ & RESTARTING)) return false;
    if (device_ != NO_DEVICE) Stop(true);
    if (device_ != NO_DEVICE) {
        out->Unprepare(device_, &header_);
        const bool recent = now - g_lastStart <= DEVICE_REUSE_MS;
        if (!recent || !sample || !SameFormat(deviceFormat_, sample->format)) {
            out->Close(device_);
            device_ = NO_DEVICE;
            same = false;
            // The cut sound's notice went with the device; no later notice will clear this.
            flags_ &= ~RESTARTING;
        }
    }
    g_lastStart = now;

    volume_ = volume <= 0 ? 1 : (volume > 100 ? 100 : volume);
    flags_ |= PLAYING;
    source_ = source;
    level_ = static_cast<uint32_t>(volume_) * 65535u / 100u;

    if (!sample || !sample->Data() || !out) {
        TellSource();
        return false;
    }
    if (!same) {
        header_ = WaveHeader{};
        header_.data = sample->Data();
        header_.bufferLength = static_cast<uint32_t>(sample->dataLength);
        header_.user = id_;
        if (device_ == NO_DEVICE) {
            out->SetNoticeHandler(&SoundChannel::DeliverNotice);
            WaveDevice device = NO_DEVICE;
            if (out->Open(&device, sample->format) != WaveResult::Ok) {
                TellSource();
                return false;
            }
            device_ = device;
            deviceOutput_ = out;
            deviceFormat_ = sample->format;
        }
    }
    if (out->Prepare(device_, &header_) != WaveResult::Ok) {
        TellSource();
        return false;
    }
    out->SetVolume(device_, level_ | (level_ << 16));
    if (out->Write(device_, &header_) != WaveResult::Ok) {
        TellSource();
        return false;
    }
    return true;
}

void SoundChannel::Stop(bool restart) {
    WaveOutput* out = Output();
    const bool queued = device_ != NO_DEVICE && (header_.flags & WHDR_INQUEUE) != 0;
    if (header_.user != 0) Finish(device_, &header_, restart);
    if (device_ != NO_DEVICE && out) {
        out->SetVolume(device_, 0);
        // The queued buffer comes back and its completion notice follows.
        out->Reset(device_);
    }
    // A cut waits for the notice of the returned buffer to clear the restarting bit. After a
    // start the output refused nothing was queued and no notice comes; left set, the bit
    // would make the channel ignore this sample for good.
    if (restart && !queued) flags_ &= ~RESTARTING;
}

void SoundChannel::OnBufferDone(WaveDevice device, WaveHeader* header) {
    Finish(device, header, false);
}

void SoundChannel::DeliverNotice(WaveDevice device, WaveHeader* header) {
    auto& live = LiveChannels();
    auto it = live.find(header);
    if (it == live.end() || it->second->device_ != device || device == NO_DEVICE) return;
    it->second->OnBufferDone(device, header);
}

void SoundChannel::Finish(WaveDevice device, WaveHeader* header, bool restart) {
    {
        std::lock_guard<std::mutex> lock(g_channelLock);
        // Anything but "playing and not restarting" is the notice of a cut or stopped
        // sound: it only clears the restarting bit.
        if ((flags_ & (PLAYING | RESTARTING)) != PLAYING) {
            flags_ &= ~RESTARTING;
            return;
        }
        flags_ &= ~PLAYING;
    }
    if (restart) flags_ |= RESTARTING;
    // Refused while the buffer is still queued; Start unprepares it again.
    WaveOutput* out = Output();
    if (out && device != NO_DEVICE) out->Unprepare(device, header);
    if (!restart) TellSource();
}

void SoundChannel::TellSource() {
    if (EventTrace* trace = Trace(); trace && owner_) trace->Done(*owner_, source_);
    if (source_) source_->OnSoundDone();
}

}  // namespace chordlane
