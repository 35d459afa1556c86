#include "app/midi/MidiRecordingCompanion.h"

#include <string_view>
#include <utility>

#include "app/midi/MidiNotes.h"
#include "platform/Clock.h"
#include "platform/FileSystem.h"
#include "platform/Text.h"

namespace chordlane {

MidiRecordingCompanion::MidiRecordingCompanion(MidiNoteTracker& notes, Clock& clock,
                                               FileSystem& files, std::function<bool()> wanted)
    : notes_(notes), clock_(clock), files_(files), wanted_(std::move(wanted)) {}

MidiRecordingCompanion::~MidiRecordingCompanion() {
    // The tracker outlives no sink: a recording cut short by teardown leaves no dangling one.
    if (file_) notes_.RemoveSink(*file_);
}

std::string MidiRecordingCompanion::Begin(const String& basePath) {
    if (file_) End();
    if (!wanted_ || !wanted_()) return {};
    path_ = basePath + u".mid";
    file_.emplace(clock_.TickCount());
    notes_.AddSink(*file_);
    return {};
}

std::string MidiRecordingCompanion::End() {
    if (!file_) return {};
    const std::vector<uint8_t> bytes = file_->Finish(clock_.TickCount());
    notes_.RemoveSink(*file_);
    file_.reset();
    const std::string name = ToUtf8(path_);
    const std::string problem = files_.ReplaceWhole(
        path_, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    if (!problem.empty()) return "the MIDI file '" + name + "' could not be written: " + problem;
    return "its notes in '" + name + "'";
}

}  // namespace chordlane
