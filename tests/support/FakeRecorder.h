#pragma once
// A recorder that writes nothing: it notes what it was asked and answers what a test sets.

#include <string>
#include <vector>

#include "platform/AudioRecorder.h"

namespace chordlane::test {

class FakeRecorder : public AudioRecorder {
  public:
    FakeRecorder() {
        progress.rate = 48000;
        progress.bitsPerSample = 16;
    }
    std::string Start(const String& path, uint32_t) override {
        starts.push_back(path);
        recording = startError.empty();
        return startError;
    }
    RecordingStats Stop() override {
        stops += recording;
        recording = false;
        return progress;
    }
    bool IsRecording() const override { return recording; }
    RecordingStats Progress() const override { return progress; }

    std::vector<String> starts;
    int stops = 0;
    bool recording = false;
    std::string startError;  // what Start answers
    RecordingStats progress;
};

}  // namespace chordlane::test
