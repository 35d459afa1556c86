#pragma once
// Recording what the sound output plays to a file, as the core asks for it: the program's
// recorder taps the mix after everything that shapes it; a test's is a fake.

#include <cstdint>
#include <string>

#include "platform/Types.h"

namespace chordlane {

struct RecordingStats {
    uint32_t rate = 0;           // frames per second of the file
    uint32_t bitsPerSample = 0;  // 16 or 24
    uint64_t frames = 0;         // stereo frames in the file
    uint64_t overruns = 0;       // blocks the writer had no room for
    uint64_t lostFrames = 0;     // frames of those blocks, missing from the file
    bool full = false;           // stopped growing at the largest size a WAV file holds
    std::string error;           // why writing failed ("" while it works)
};

class AudioRecorder {
  public:
    virtual ~AudioRecorder() = default;
    //! Starts writing the output's sound to a new file at path (an existing file is never
    //! replaced). Answers "" on success, else why the file cannot be made.
    virtual std::string Start(const String& path, uint32_t bitsPerSample) = 0;
    //! Finishes the file with a complete header; answers what it holds. Harmless when idle.
    virtual RecordingStats Stop() = 0;
    //! Whether a file is being written.
    virtual bool IsRecording() const = 0;
    //! What the file holds so far (error set once writing failed; the file stays valid).
    virtual RecordingStats Progress() const = 0;
};

}  // namespace chordlane
