#pragma once
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
// only renders the mapper's next block.
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

  private:
    PortAudioOutput(WaveMapper& mapper, void* stream, uint32_t rate, std::string description);

    WaveMapper& mapper_;
    void* stream_ = nullptr;
    uint32_t rate_ = 0;
    std::string description_;
    bool stopped_ = true;  // until the stream has started

    friend struct PortAudioCallback;
};

struct AudioOpenResult {
    std::unique_ptr<AudioOutput> output;  // never null
    bool silent = false;                  // the real-time null output
    // What a person should be told, one sentence, or empty when the choice opened.
    std::string problem;
};

//! The configured device; when it cannot be opened, the default device; when that cannot
//! either, a real-time null output, so that notices still come. Says which in config.log.
AudioOpenResult OpenAudioOutput(WaveMapper& mapper, const AudioOutputConfig& config);

}  // namespace chordlane
