#include "sound/SoundChannel.h"

#include <mutex>
#include <unordered_map>

#include "sound/Sample.h"

namespace chordlane {

namespace {

// A device is kept for a new sound only when some channel started within this time.
constexpr uint32_t DEVICE_REUSE_MS = 2000;

bool SameFormat(const WaveFormat& a, const WaveFormat& b) {
    return a.formatTag == b.formatTag && a.channels == b.channels &&
           a.samplesPerSec == b.samplesPerSec && a.bitsPerSample == b.bitsPerSample &&
           a.blockAlign == b.blockAlign;
}

}  // namespace

void Playback::DeliverNotice(WaveDevice device, WaveHeader* header) {
    auto it = live_.find(header);
    if (it == live_.end() || it->second->device_ != device || device == NO_DEVICE) return;
    it->second->OnBufferDone(device, header);
}

WaveOutput::NoticeHandler Playback::Handler() {
    return [this](WaveDevice device, WaveHeader* header) { DeliverNotice(device, header); };
}

SoundChannel::SoundChannel(Playback& playback, ChannelOwner* owner)
    : playback_(playback), owner_(owner), id_(++playback.nextId_) {
    playback_.live_[&header_] = this;
}

SoundChannel::~SoundChannel() {
    playback_.live_.erase(&header_);
    CloseDevice();
}

WaveOutput* SoundChannel::Output() {
    // A device belongs to the output it was opened on; once the platform has another one,
    // the handle means nothing and the device is forgotten.
    WaveOutput* current = playback_.Output();
    if (device_ != NO_DEVICE && deviceOutput_ != current) {
        device_ = NO_DEVICE;
        pendingNotices_ = 0;
    }
    return current;
}

void SoundChannel::CloseDevice() {
    WaveOutput* out = Output();
    if (device_ == NO_DEVICE || !out) return;
    out->Reset(device_);
    out->Close(device_);
    device_ = NO_DEVICE;
    pendingNotices_ = 0;  // a closed device's notices are dropped
}

bool SoundChannel::Start(Sample* sample, int32_t volume, int32_t, SoundListener* source) {
    WaveOutput* out = Output();
    const uint32_t now = playback_.Now();
    bool same = device_ != NO_DEVICE && sample && header_.data == sample->PlayData();

    // A third start of the same sample before the cut sound's notice came is ignored.
    if (same && (flags_ & RESTARTING)) return false;
    if (device_ != NO_DEVICE) Stop(true);
    if (device_ != NO_DEVICE) {
        out->Unprepare(device_, &header_);
        const bool recent = now - playback_.lastStart_ <= DEVICE_REUSE_MS;
        if (!recent || !sample || !SameFormat(deviceFormat_, sample->PlayFormat())) {
            out->Close(device_);
            device_ = NO_DEVICE;
            pendingNotices_ = 0;
            same = false;
            // The cut sound's notice went with the device; no later notice will clear this.
            flags_ &= ~RESTARTING;
        }
    }
    playback_.lastStart_ = now;

    volume_ = volume <= 0 ? 1 : (volume > 100 ? 100 : volume);
    flags_ |= PLAYING;
    source_ = source;
    level_ = static_cast<uint32_t>(volume_) * 65535u / 100u;

    if (!sample || !sample->PlayData() || !out) {
        TellSource();
        return false;
    }
    if (!same) {
        header_ = WaveHeader{};
        header_.data = sample->PlayData();
        header_.bufferLength = sample->PlayLength();
        header_.user = id_;
        if (device_ == NO_DEVICE) {
            WaveDevice device = NO_DEVICE;
            if (out->Open(&device, sample->PlayFormat(), playback_.Handler()) != WaveResult::Ok) {
                TellSource();
                return false;
            }
            device_ = device;
            deviceOutput_ = out;
            deviceFormat_ = sample->PlayFormat();
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
    ++pendingNotices_;
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
    // A notice with another still to come is that of a buffer written before the one now
    // queued: a sound that was cut or stopped, and already finished. Taking it for the end of
    // the sound now playing would tell its source, and the event log, that a sound ended
    // while it goes on (a chord struck again releases and restarts its voices at once).
    if (pendingNotices_ > 0) --pendingNotices_;
    if (pendingNotices_ > 0) {
        std::lock_guard<std::mutex> lock(playback_.flagLock_);
        flags_ &= ~RESTARTING;
        return;
    }
    Finish(device, header, false);
}

void SoundChannel::Finish(WaveDevice device, WaveHeader* header, bool restart) {
    {
        std::lock_guard<std::mutex> lock(playback_.flagLock_);
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
    if (owner_) {
        owner_->OnChannelDone(source_);
    } else if (source_) {
        source_->OnSoundDone();
    }
}

}  // namespace chordlane
