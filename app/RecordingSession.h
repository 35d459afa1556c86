#pragma once
// File -> Record: one recording of what the program plays, from the moment it starts to
// the moment it stops, as a WAV file in the home folder named with the date and time.
// Anything else that records the same performance (the notes as a MIDI file) joins as a
// companion and gets the same name with its own extension.

#include <cstdint>
#include <functional>
#include <string>

#include "platform/AudioRecorder.h"
#include "platform/FileSystem.h"
#include "platform/Types.h"

namespace chordlane {

// The local date and time a recording starts, for its name.
struct LocalTime {
    int year = 2000;
    int month = 1;  // 1 to 12
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;
};

// Something recorded beside the sound, under the same base name.
class RecordingCompanion {
  public:
    virtual ~RecordingCompanion() = default;
    //! A recording begins; its files are basePath with an extension (".wav" is the sound's).
    //! Answers "" or why this companion cannot record (the sound is recorded anyway).
    virtual std::string Begin(const String& basePath) = 0;
    //! The recording has ended: finish the file. Answers a few words for the log line, or "".
    virtual std::string End() = 0;
};

// Threads: interface thread only; the recorder it drives has its own audio-thread side.
class RecordingSession {
  public:
    //! files answers which names are taken; recorder null: recording is not available.
    RecordingSession(AudioRecorder* recorder, FileSystem* files);
    //! Finishes a recording under way.
    ~RecordingSession();
    RecordingSession(const RecordingSession&) = delete;
    RecordingSession& operator=(const RecordingSession&) = delete;

    //! The one place another recording of the performance hooks in; null: none.
    void SetCompanion(RecordingCompanion* companion) { companion_ = companion; }
    //! The sound output's underruns so far; the log line then says how many fell within the
    //! recording. Empty: not said.
    void SetUnderrunCounter(std::function<uint64_t()> underruns) {
        underruns_ = std::move(underruns);
    }

    bool Available() const { return recorder_ != nullptr; }
    bool IsRecording() const { return recording_; }
    //! Starts recording into folder. Answers "" or the problem, one sentence naming the file.
    std::string Start(const String& folder, const LocalTime& when, uint32_t bitsPerSample = 16);
    //! Finishes the file and its companion; answers the log line, "" when none was recording.
    std::string Stop();
    //! While recording: when writing failed or the file is full, the recording is stopped
    //! and the log line answered (the problem in it); "" otherwise.
    std::string CheckProblem();

    //! The file being (or last) recorded.
    const String& Path() const { return path_; }
    //! Seconds of sound in the file so far.
    double Seconds() const;
    //! What the window shows: "Recording 1:05" while recording, "" otherwise.
    String StatusText() const;

  private:
    AudioRecorder* recorder_;
    FileSystem* files_;
    RecordingCompanion* companion_ = nullptr;
    bool recording_ = false;
    bool companionRecording_ = false;
    std::string companionNote_;  // why the companion could not record, or its last words
    std::function<uint64_t()> underruns_;
    uint64_t underrunsAtStart_ = 0;
    String path_;
};

//! The file name of a recording started at when, without extension:
//! "Chordlane 2026-12-07 08-15-03" (no characters any file system refuses).
String RecordingBaseName(const LocalTime& when);
//! Seconds as m:ss, or h:mm:ss from an hour on (whole seconds, rounded down).
std::string FormatDuration(double seconds);
//! The log line of a finished recording: file, length, format, and what went wrong.
std::string DescribeRecording(const String& path, const RecordingStats& stats);

}  // namespace chordlane
