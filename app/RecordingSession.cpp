#include "app/RecordingSession.h"

#include <cinttypes>
#include <cstdio>

#include "platform/Text.h"

namespace chordlane {

namespace {

// Recordings started within one second get numbers; past this many, something is wrong.
constexpr int MAX_SAME_NAME = 100;

bool Exists(FileSystem* files, const String& path) {
    return files && files->Open(path, FileMode::Read) != nullptr;
}

}  // namespace

String RecordingBaseName(const LocalTime& when) {
    // Dashes, not colons, between the parts of the time: colons are refused by some file
    // systems a recording may be copied to.
    char name[64];
    std::snprintf(name, sizeof name, "Chordlane %04d-%02d-%02d %02d-%02d-%02d", when.year,
                  when.month, when.day, when.hour, when.minute, when.second);
    return FromUtf8(name);
}

std::string FormatDuration(double seconds) {
    const auto whole = seconds > 0 ? static_cast<uint64_t>(seconds) : uint64_t{0};
    char text[48];
    if (whole >= 3600) {
        std::snprintf(text, sizeof text, "%" PRIu64 ":%02u:%02u", whole / 3600,
                      static_cast<unsigned>(whole / 60 % 60), static_cast<unsigned>(whole % 60));
    } else {
        std::snprintf(text, sizeof text, "%u:%02u", static_cast<unsigned>(whole / 60),
                      static_cast<unsigned>(whole % 60));
    }
    return text;
}

std::string DescribeRecording(const String& path, const RecordingStats& stats) {
    const double seconds = stats.rate ? static_cast<double>(stats.frames) / stats.rate : 0.0;
    char format[160];
    std::snprintf(format, sizeof format, "%s (%.2f s) at %u Hz, %u-bit stereo",
                  FormatDuration(seconds).c_str(), seconds, stats.rate, stats.bitsPerSample);
    std::string line = "recorded '" + ToUtf8(path) + "': " + format;
    if (stats.overruns == 0) {
        line += "; no block lost";
    } else {
        char lost[160];
        std::snprintf(lost, sizeof lost,
                      "; %" PRIu64 " block%s (%" PRIu64
                      " frames) lost: the file could not be written fast enough",
                      stats.overruns, stats.overruns == 1 ? "" : "s", stats.lostFrames);
        line += lost;
    }
    if (!stats.error.empty())
        line += "; writing failed (" + stats.error + "), the file holds what came before";
    if (stats.full) line += "; the file reached the 4 GiB a WAV file can hold and stopped there";
    return line;
}

RecordingSession::RecordingSession(AudioRecorder* recorder, FileSystem* files)
    : recorder_(recorder), files_(files) {}

RecordingSession::~RecordingSession() { Stop(); }

std::string RecordingSession::Start(const String& folder, const LocalTime& when,
                                    uint32_t bitsPerSample) {
    if (!recorder_) return "recording needs a sound output, and none is open";
    if (recording_) return "a recording is already being made";
    if (folder.empty()) return "there is no home folder to record into";
    const String first = folder + RecordingBaseName(when);
    // A name already taken (a second recording within one second, or a companion's file)
    // gets a number, so that no earlier recording is ever replaced.
    String base;
    for (int n = 1; n <= MAX_SAME_NAME && base.empty(); ++n) {
        const String candidate =
            n == 1 ? first : first + u" (" + FromUtf8(std::to_string(n)) + u")";
        if (!Exists(files_, candidate + u".wav") && !Exists(files_, candidate + u".mid"))
            base = candidate;
    }
    if (base.empty()) return "every name for a recording at '" + ToUtf8(first) + "' is taken";
    const String path = base + u".wav";
    if (const std::string why = recorder_->Start(path, bitsPerSample); !why.empty())
        return "cannot record to '" + ToUtf8(path) + "': " + why;
    recording_ = true;
    path_ = path;
    if (underruns_) underrunsAtStart_ = underruns_();
    companionRecording_ = false;
    companionNote_.clear();
    if (companion_) {
        companionNote_ = companion_->Begin(base);
        companionRecording_ = companionNote_.empty();
    }
    return {};
}

std::string RecordingSession::Stop() {
    if (!recording_) return {};
    recording_ = false;
    std::string line = DescribeRecording(path_, recorder_->Stop());
    if (underruns_) {
        // The file has every block the mixer made; a gap was heard, not written.
        const uint64_t during = underruns_() - underrunsAtStart_;
        line += during == 0
                    ? "; no underrun of the sound output"
                    : "; " + std::to_string(during) + " underrun" + (during == 1 ? "" : "s") +
                          " of the sound output (gaps heard, not in the file)";
    }
    if (companionRecording_) {
        companionRecording_ = false;
        if (companion_) companionNote_ = companion_->End();
    }
    if (!companionNote_.empty()) line += "; " + companionNote_;
    companionNote_.clear();
    return line;
}

std::string RecordingSession::CheckProblem() {
    if (!recording_) return {};
    const RecordingStats progress = recorder_->Progress();
    if (progress.error.empty() && !progress.full) return {};
    return Stop();
}

double RecordingSession::Seconds() const {
    if (!recording_) return 0.0;
    const RecordingStats progress = recorder_->Progress();
    return progress.rate ? static_cast<double>(progress.frames) / progress.rate : 0.0;
}

String RecordingSession::StatusText() const {
    if (!recording_) return {};
    return u"Recording " + FromUtf8(FormatDuration(Seconds()));
}

}  // namespace chordlane
