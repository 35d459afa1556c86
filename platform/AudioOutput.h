#pragma once
#include <cstdint>
#include <memory>
#include <string>

namespace chordlane {

// Something that pulls blocks of the mix from a WaveMapper and plays them: a sound device,
// a real-time null sink, or a file on a virtual clock.
//
// Threads: made, stopped and destroyed on the interface thread; the counters may be read
// from any thread while it plays.
class AudioOutput {
  public:
    virtual ~AudioOutput() = default;
    //! Frames per second it plays (the mapper renders at this rate).
    virtual uint32_t Rate() const = 0;
    //! One line for the verbose log: what plays the sound, at which rate and latency.
    virtual std::string Describe() const = 0;
    //! Stops pulling blocks; no render runs once it returns.
    virtual void Stop() = 0;
    //! How many times the device ran dry (a block came too late and a gap was heard) since it
    //! started. Safe to ask from any thread. Outputs on a virtual clock never run dry.
    virtual uint64_t Underruns() const { return 0; }
    //! What scheduling the render thread got, for the verbose log; empty when it is not known
    //! (yet) or the output has no thread of its own.
    virtual std::string RenderPriority() const { return {}; }
    //! True once the device has stopped playing by itself (the sound server went away, the
    //! device was unplugged). Asked about once a second from the interface thread: an output
    //! that judges by its callbacks may compare with what it saw at the previous call.
    virtual bool Failed() { return false; }
    //! Why it stopped, in a few words for a person, once Failed() has said it did; empty when
    //! the output cannot tell.
    virtual std::string FailureReason() const { return {}; }
};

// An output as opening one turned out.
struct AudioOpenResult {
    std::unique_ptr<AudioOutput> output;  // null only where no fallback was wanted
    bool silent = false;                  // the real-time null output
    // What a person should be told, one sentence, or empty when the choice opened.
    std::string problem;
};

}  // namespace chordlane
