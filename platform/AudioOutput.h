#pragma once
#include <cstdint>
#include <string>

namespace chordlane {

// Something that pulls blocks of the mix from a WaveMapper and plays them: a sound device,
// a real-time null sink, or a file on a virtual clock.
class AudioOutput {
  public:
    virtual ~AudioOutput() = default;
    //! Frames per second it plays (the mapper renders at this rate).
    virtual uint32_t Rate() const = 0;
    //! One line for the verbose log: what plays the sound, at which rate and latency.
    virtual std::string Describe() const = 0;
    //! Stops pulling blocks; no render runs once it returns.
    virtual void Stop() = 0;
};

}  // namespace chordlane
