#pragma once
#include <functional>
#include <memory>
#include <string>

#include "platform/audio/AudioOutput.h"

namespace chordlane {

class WaveMapper;

struct AudioOutputConfig {
    uint32_t preferredRate = 48000;   // used when the device takes it, else the device's own
    uint32_t framesPerBuffer = 256;   // the most frames one callback renders
    // The verbose log: which device, its rate and stated latency, or why none opened.
    std::function<void(const std::string&)> log;
};

// The default output device through PortAudio: float stereo, pulled by PortAudio's
// callback, which only renders the mapper's next block.
class PortAudioOutput : public AudioOutput {
public:
    //! Opens and starts the default device for mapper; null, with the reason in error,
    //! when there is none or it refuses. Nothing is printed while the libraries probe.
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

//! The default device or, when it cannot be opened, a real-time null output, so that
//! notices still come. Says which in config.log.
std::unique_ptr<AudioOutput> OpenAudioOutput(WaveMapper& mapper, const AudioOutputConfig& config);

}  // namespace chordlane
