#pragma once
// The wave output of the Linux program: one software mixer, and every "device" the sound
// engine opens is one stream of it, with its own format (8- or 16-bit PCM, mono or stereo,
// at the mix's rate: sounds are converted once when they are loaded, never while mixing),
// its own volume and its completion notices. The sum passes the master stage last.
//
// Two threads meet here. The user-interface thread calls the WaveOutput operations and
// DeliverNotices; the audio thread (an output's callback or thread) calls Render. Render
// never allocates and never waits: stream changes reach it through per-stream sequence
// locks that it only reads (a torn read is simply taken up at the next block), and finished
// buffers go back through a lock-free ring. The user-interface thread may wait, briefly,
// for a block being rendered to end, so that a reset or closed stream's data is no longer
// read once the call returns.
//
// In the program: make one WaveMapper, start an output on it (OpenAudioOutput, or an
// OfflineOutput on the virtual clock), install the mapper as the platform's wave output,
// and call DeliverNotices on the user-interface thread whenever NoticeFd becomes readable.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <span>
#include <unordered_map>
#include <vector>

#include "mixer/MasterStage.h"
#include "mixer/SpscRing.h"
#include "platform/WaveOutput.h"

namespace chordlane {

// Sees every finished block of the mix on the audio thread, as the output plays it (a
// recording). It must neither allocate, lock nor make system calls.
class MixTap {
  public:
    //! frames interleaved stereo floats, the block just rendered.
    virtual void Tap(const float* stereo, size_t frames) = 0;

  protected:
    ~MixTap() = default;
};

struct WaveMapperConfig {
    uint32_t deviceRate = 48000;     // frames per second of the mix
    uint32_t maxStreams = 1024;      // devices open at once
    uint32_t maxBlockFrames = 1024;  // Render works in pieces of at most this
    MasterStageConfig master{};      // its rate follows the mix's
};

class WaveMapper : public WaveOutput {
  public:
    explicit WaveMapper(const WaveMapperConfig& config = {});
    ~WaveMapper() override;
    WaveMapper(const WaveMapper&) = delete;
    WaveMapper& operator=(const WaveMapper&) = delete;

    // User-interface thread.
    WaveResult Open(WaveDevice* device, const WaveFormat& format, NoticeHandler handler) override;
    WaveResult Prepare(WaveDevice device, WaveHeader* header) override;
    WaveResult Unprepare(WaveDevice device, WaveHeader* header) override;
    //! One buffer at a time per device: a second write while one is queued is refused.
    WaveResult Write(WaveDevice device, WaveHeader* header) override;
    WaveResult SetVolume(WaveDevice device, uint32_t volume) override;
    //! Returns the queued buffer; its notice follows at the next DeliverNotices. The data
    //! is no longer read once this returns.
    WaveResult Reset(WaveDevice device) override;
    //! Stops and forgets the device; notices not yet delivered for it are dropped.
    WaveResult Close(WaveDevice device) override;

    //! Hands the completion notices that have come in to the handler; answers how many.
    size_t DeliverNotices();
    //! Called on the audio thread (and after a reset) when notices are waiting, so the
    //! user-interface thread can be woken to deliver them. Must not block or allocate.
    void SetWakeHook(void (*hook)(void* context), void* context);
    //! A descriptor that becomes readable when notices are waiting (for a socket notifier);
    //! DeliverNotices drains it. -1 when it could not be made.
    int NoticeFd() const { return noticeFd_; }
    //! Changes the mix rate; only while no device is open.
    bool SetDeviceRate(uint32_t rate);
    //! Frames by which the master stage delays the mix.
    uint32_t MasterLatency() const { return master_.Latency(); }
    uint32_t DeviceRate() const { return deviceRate_.load(std::memory_order_relaxed); }
    size_t OpenDevices() const { return deviceSlots_.size(); }
    //! Hands every rendered block to tap from the next block on (null: to nobody). Once it
    //! returns, a tap that was replaced is no longer called.
    void SetTap(MixTap* tap);
    //! Silences the output while the mix goes on (sounds still end on time), e.g. while
    //! the notes go to another instrument over MIDI instead.
    void SetMuted(bool muted) { muted_.store(muted, std::memory_order_relaxed); }

    // Audio thread.
    //! Mixes the next frames of every sounding stream into out, interleaved stereo floats
    //! (out is overwritten; it must hold 2 * frames values), through the master stage.
    void Render(std::span<float> out, size_t frames);

  private:
    struct Slot;
    struct Voice;
    struct Stream;
    struct Finished {
        uint32_t slot = 0;
        uint32_t generation = 0;
    };
    struct PendingNotice {
        WaveDevice device = NO_DEVICE;
        WaveHeader* header = nullptr;
    };

    Stream* Find(WaveDevice device, uint32_t* slot = nullptr);
    void Publish(uint32_t slot, bool playing);
    void WaitForRender();
    void Wake();
    void CompleteStream(uint32_t slot, Stream& stream, WaveHeader* header);

    void ApplyChanges();
    void ApplySlot(uint32_t slot);
    void Activate(uint32_t slot);
    void Deactivate(uint32_t slot);
    bool MixVoice(Voice& voice, const Slot& slot, float* out, size_t frames);
    //! Answers whether a buffer played to its end.
    bool RenderPiece(float* out, size_t frames);

    const WaveMapperConfig config_;
    std::atomic<uint32_t> deviceRate_;

    // Shared between the threads.
    std::unique_ptr<Slot[]> slots_;
    std::unique_ptr<std::atomic<uint64_t>[]> dirty_;
    size_t dirtyWords_ = 0;
    SpscRing<Finished> finished_;
    std::atomic<bool> finishedOverflow_{false};
    std::atomic<uint32_t> renderCount_{0};  // odd while a block is being rendered
    std::atomic<MixTap*> tap_{nullptr};
    std::atomic<bool> muted_{false};
    void (*wakeHook_)(void*) = nullptr;
    void* wakeContext_ = nullptr;
    int noticeFd_ = -1;

    // Audio thread only.
    std::unique_ptr<Voice[]> voices_;
    std::unique_ptr<uint32_t[]> active_;
    uint32_t activeCount_ = 0;
    std::vector<float> input_;
    MasterStage master_;

    // User-interface thread only.
    std::unique_ptr<Stream[]> streams_;
    std::vector<uint32_t> freeSlots_;
    std::unordered_map<WaveDevice, uint32_t> deviceSlots_;
    std::deque<PendingNotice> resetNotices_;
    // Each open device's notice handler, kept on the user-interface thread.
    std::unordered_map<WaveDevice, NoticeHandler> handlers_;
    WaveDevice lastDevice_ = 0;
    bool delivering_ = false;
};

}  // namespace chordlane
