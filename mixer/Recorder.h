#pragma once
// Recording the mix: the audio thread copies every finished block into a ring, and a writer
// thread of the recording's own takes it from there into a WAV file. The audio thread never
// waits for the disk: a block that finds the ring full is left out and counted.
//
// Threads: Start, Stop, IsRecording, Progress and destruction on the interface thread; Tap
// on the audio thread; the writer thread is its own and only drains the ring into the file.

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "mixer/SpscRing.h"
#include "mixer/WavWriter.h"
#include "mixer/WaveMapper.h"
#include "platform/AudioRecorder.h"

namespace chordlane {

struct RecorderConfig {
    uint32_t ringMs = 2000;           // how much sound the ring holds while the disk is slow
    uint32_t writerPollMs = 10;       // how often the writer looks into the ring
    uint32_t headerIntervalMs = 500;  // the header's sizes lag the data at most this long
};

class Recorder : public AudioRecorder, private MixTap {
  public:
    explicit Recorder(WaveMapper& mapper, const RecorderConfig& config = {});
    //! Finishes a recording under way.
    ~Recorder() override;
    Recorder(const Recorder&) = delete;
    Recorder& operator=(const Recorder&) = delete;

    //! The file is made at the mixer's current rate.
    std::string Start(const String& path, uint32_t bitsPerSample) override;
    RecordingStats Stop() override;
    bool IsRecording() const override { return writer_ != nullptr; }
    RecordingStats Progress() const override;

  private:
    void Tap(const float* stereo, size_t frames) override;
    void WriteLoop();
    //! Moves what the ring holds into the file; answers whether anything came.
    bool Drain();

    WaveMapper& mapper_;
    const RecorderConfig config_;

    // Made at Start, before the tap is attached; gone after Stop has detached it.
    std::unique_ptr<SpscRing<float>> ring_;
    std::unique_ptr<WavWriter> writer_;
    std::thread thread_;

    // Written by the audio thread.
    std::atomic<uint64_t> overruns_{0};
    std::atomic<uint64_t> lostFrames_{0};

    // The writer thread's, read by Progress.
    std::vector<float> scratch_;
    std::atomic<uint64_t> framesWritten_{0};
    std::atomic<bool> full_{false};
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    bool stopping_ = false;  // under mutex_
    std::string error_;      // under mutex_
};

}  // namespace chordlane
