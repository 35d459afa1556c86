#pragma once
#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/AudioOutput.h"

namespace chordlane {

class WaveMapper;

// The buffer sizes a person can choose, in frames per callback.
inline constexpr uint32_t MIN_AUDIO_BUFFER = 64;
inline constexpr uint32_t MAX_AUDIO_BUFFER = 1024;
inline constexpr uint32_t DEFAULT_AUDIO_BUFFER = 256;

struct AudioOutputConfig {
    uint32_t preferredRate = 48000;  // used when the device takes it, else the device's own
    uint32_t framesPerBuffer = DEFAULT_AUDIO_BUFFER;  // the most frames one callback renders
    // The output device by its name as ListAudioDevices gives it ("NAME" or "API: NAME");
    // empty: the default output device.
    std::string device;
    // The verbose log: which device, its rate and stated latency, or why none opened.
    std::function<void(const std::string&)> log;
};

// One output device as PortAudio offers it.
struct AudioDeviceInfo {
    std::string hostApi;  // ALSA, JACK Audio Connection Kit, OSS, ...
    std::string name;
    bool isDefault = false;
    //! The name that picks this device: "API: NAME", which stays unique across host APIs.
    std::string Label() const { return hostApi + ": " + name; }
};

//! Every device with outputs; empty, with the reason in error, when PortAudio cannot start.
std::vector<AudioDeviceInfo> ListAudioDevices(std::string* error = nullptr);

// An output device through PortAudio: float stereo, pulled by PortAudio's callback, which
// only renders the mapper's next block. The callback's thread asks once for real-time
// priority and flushes denormals to zero.
//
// Threads: Open, Stop and destruction on the interface thread; the callback on PortAudio's
// thread; Underruns and RenderPriority from any.
class PortAudioOutput : public AudioOutput {
  public:
    //! Opens and starts the configured device (or the default one) for mapper; null, with
    //! the reason in error, when there is none or it refuses. Nothing is printed while the
    //! libraries probe.
    static std::unique_ptr<PortAudioOutput> Open(WaveMapper& mapper,
                                                 const AudioOutputConfig& config,
                                                 std::string* error);
    ~PortAudioOutput() override;

    uint32_t Rate() const override { return rate_; }
    std::string Describe() const override { return description_; }
    void Stop() override;
    //! On JACK, the server's xruns while it plays (every missed cycle, whoever was late);
    //! elsewhere the blocks the host flagged as late.
    uint64_t Underruns() const override;
    std::string RenderPriority() const override;
    bool Failed() override;
    std::string FailureReason() const override { return failure_; }

  private:
    PortAudioOutput(WaveMapper& mapper, void* stream, uint32_t rate, std::string description);

    WaveMapper& mapper_;
    void* stream_ = nullptr;
    uint32_t rate_ = 0;
    std::string description_;
    bool stopped_ = true;  // until the stream has started
    std::atomic<uint64_t> flaggedUnderruns_{0};
    // On JACK: a client of the same server counting its xruns (a jack_client_t), made in Open
    // and closed by Stop; null elsewhere, or where JACK would not take one.
    void* jackXrunCounter_ = nullptr;
    std::atomic<uint64_t> jackXruns_{0};
    bool countsJackXruns_ = false;  // set by Open before the output is handed out
    // Written once by the first callback, before priorityKnown_ is set.
    std::string priority_;
    std::atomic<bool> priorityKnown_{false};
    bool priorityAsked_ = false;  // callback thread only
    std::atomic<uint64_t> callbacks_{0};
    uint64_t callbacksSeen_ = 0;  // interface thread: the count at the previous Failed()
    std::string failure_;         // interface thread: why Failed() said so

    friend struct PortAudioCallback;
};

//! The configured device; when it cannot be opened, the default device; when that cannot
//! either, a real-time null output, so that notices still come. Says which in config.log.
//! With withFallback false, only the configured device: output is null (and problem says why)
//! when it cannot be opened.
AudioOpenResult OpenAudioOutput(WaveMapper& mapper, const AudioOutputConfig& config,
                                bool withFallback = true);

}  // namespace chordlane
