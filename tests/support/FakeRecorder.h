#pragma once
// A recorder that writes nothing: it remembers what it was asked and answers what a test sets.

#include <string>
#include <vector>

#include "platform/AudioRecorder.h"

namespace chordlane::test {

class FakeRecorder : public AudioRecorder {
  public:
    std::string Start(const String& path, uint32_t bitsPerSample) override {
        starts.push_back(path);
        if (!startError.empty()) return startError;
        recording = true;
        progress.bitsPerSample = bitsPerSample;
        return {};
    }
    RecordingStats Stop() override {
        if (!recording) return {};
        recording = false;
        ++stops;
        return progress;
    }
    bool IsRecording() const override { return recording; }
    RecordingStats Progress() const override { return progress; }

    static RecordingStats Initial() {
        RecordingStats stats;
        stats.rate = 48000;
        stats.bitsPerSample = 16;
        return stats;
    }

    std::vector<String> starts;
    int stops = 0;
    bool recording = false;
    std::string startError;  // what the next Start answers
    RecordingStats progress = Initial();
};

}  // namespace chordlane::test
