#pragma once
// A recording's notes beside its sound: while MIDI output is on, a recording also writes
// NAME.mid from the very notes the port sends, so a performance can be re-voiced later.

#include <functional>
#include <optional>
#include <string>

#include "app/RecordingSession.h"
#include "app/midi/MidiNotesFile.h"
#include "platform/Types.h"

namespace chordlane {

class Clock;
class FileSystem;
class MidiNoteTracker;

class MidiRecordingCompanion : public RecordingCompanion {
  public:
    //! wanted answers, when a recording begins, whether MIDI output is on.
    MidiRecordingCompanion(MidiNoteTracker& notes, Clock& clock, FileSystem& files,
                           std::function<bool()> wanted);
    ~MidiRecordingCompanion() override;
    MidiRecordingCompanion(const MidiRecordingCompanion&) = delete;
    MidiRecordingCompanion& operator=(const MidiRecordingCompanion&) = delete;

    std::string Begin(const String& basePath) override;
    std::string End() override;

  private:
    MidiNoteTracker& notes_;
    Clock& clock_;
    FileSystem& files_;
    std::function<bool()> wanted_;
    std::optional<MidiNotesFile> file_;
    String path_;
};

}  // namespace chordlane
