#include "elements/SoundElement.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <string>

#include "elements/Instrument.h"
#include "language/FileSearch.h"
#include "sound/PitchShift.h"
#include "sound/WaveFile.h"

namespace chordlane {

namespace {

// The semitone ratio the copies are built with: six decimals, not the exact twelfth root
// of 2, multiplied up once per semitone in double precision.
constexpr double SEMITONE = 1.059463;

// The message text is formatted into a buffer of 128 characters.
constexpr size_t MAX_MESSAGE_LENGTH = 127;

// 12 log2(frequency / 440), rounded halves away from zero, in the precisions the note
// arithmetic has always used: a single-precision 1/440, a double logarithm.
int32_t BaseNoteOf(float frequency) {
    const float q = frequency * 0.0022727272f;
    const double d = std::log(static_cast<double>(q)) * 1.442695041 * 12.0;
    const float x = static_cast<float>(d);
    const double rounded = x >= 0 ? static_cast<double>(x) + 0.5 : static_cast<double>(x) - 0.5;
    const float y = static_cast<float>(rounded);
    // A frequency at or below 0 has no note; 0 keeps it from matching far-away notes.
    if (!(y > -2147483648.0f && y < 2147483648.0f)) return 0;
    return static_cast<int32_t>(y);
}

const String WAVE_FILE = u"wave file";

}  // namespace

SoundElement::SoundElement(Instrument& owner, String name, String referencePath, String fileName,
                           float frequency, int32_t low, int32_t high, bool quiet)
    : IndexedElement(owner, std::move(name)),
      frequency_(frequency),
      baseNote_(BaseNoteOf(frequency)),
      high_(std::clamp(high, 0, MAX_SHIFT_RANGE)),
      low_(std::clamp(low, 0, MAX_SHIFT_RANGE)),
      fileName_(std::move(fileName)),
      referencePath_(std::move(referencePath)),
      quiet_(quiet) {
    SoundElement::Reset();
}

SoundElement::~SoundElement() = default;

// Samples already computed stay: voices and sounding channels point into them.
void SoundElement::Reset() { active_ = false; }

int32_t SoundElement::GetKind() const { return KIND_SOUND; }

void SoundElement::SetActive(bool active) {
    if (active && !samples_ && !LoadSamples()) return;
    IndexedElement::SetActive(active);
}

Sample* SoundElement::GetSample(int32_t shift) {
    if (!samples_) return nullptr;
    shift = std::clamp(shift, -low_, high_);
    return (*samples_)[static_cast<size_t>(low_ + shift)].get();
}

int32_t SoundElement::SampleCount() const {
    return samples_ ? static_cast<int32_t>(samples_->size()) : 0;
}

void SoundElement::ReportIfNotFound() {
    if (!OpenSearched(Owner().load, fileName_, FileMode::Read, referencePath_)) {
        Owner().listeners.FileNotLoaded(OriginFile(), OriginLine(), WAVE_FILE, fileName_, {});
    }
}

// Copies are charged upward from +1, then downward from -1, and each costs more the further
// up it goes, so those the work limit leaves out are the highest ones, and the lowest ones
// only once every upward one is out.
void SoundElement::ReportOverWork(std::span<const ShiftJob> jobs,
                                  const std::vector<bool>& overWork) {
    int32_t highestMade = 0;
    int32_t lowestMade = 0;
    bool leftOutUp = false;
    bool leftOutDown = false;
    for (size_t k = 0; k < jobs.size() && k < overWork.size(); ++k) {
        const int32_t shift = jobs[k].out->shift;
        if (overWork[k]) {
            (shift > 0 ? leftOutUp : leftOutDown) = true;
        } else if (shift > 0 && !leftOutUp) {
            highestMade = shift;
        } else if (shift < 0 && !leftOutDown) {
            lowestMade = shift;
        }
    }
    auto report = [&](const std::string& text) {
        String reason(text.begin(), text.end());
        Owner().listeners.SkippedLine(OriginFile(), OriginLine(), reason);
    };
    if (leftOutUp) {
        report("s: pitch copies beyond +" + std::to_string(highestMade) +
               " left out: the load's work limit");
    }
    if (leftOutDown) {
        report("s: pitch copies beyond -" + std::to_string(-lowestMade) +
               " left out: the load's work limit");
    }
}

bool SoundElement::LoadSamples() {
    auto recording = std::make_unique<Sample>(&Owner().memory.samples);
    std::unique_ptr<File> file =
        OpenSearched(Owner().load, fileName_, FileMode::Read, referencePath_);
    if (!file) loadFailure_ = u"no such file";
    if (!file || !ReadWaveFile(*recording, *file, &loadFailure_)) {
        ListenerSet& listeners = Owner().listeners;
        // The file search finding nothing needs no reason beyond the name.
        listeners.FileNotLoaded(OriginFile(), OriginLine(), WAVE_FILE, fileName_,
                                file ? loadFailure_ : String());
        if (!quiet_) {
            String text = COULD_NOT_LOAD + fileName_ + u"\n";
            if (text.size() > MAX_MESSAGE_LENGTH) text.resize(MAX_MESSAGE_LENGTH);
            listeners.UserMessage(text);
        }
        return false;
    }
    recording->frequency = frequency_;
    recording->owner = this;
    recording->shift = 0;

    auto samples = std::make_unique<std::vector<std::unique_ptr<Sample>>>(
        static_cast<size_t>(low_ + high_ + 1));
    std::vector<ShiftJob> jobs;
    jobs.reserve(static_cast<size_t>(low_ + high_));
    auto addCopy = [&](int32_t shift, double frequency) {
        std::unique_ptr<Sample> copy(new (std::nothrow) Sample(&Owner().memory.samples));
        if (!copy) return;
        copy->owner = this;
        copy->shift = shift;
        jobs.push_back({copy.get(), static_cast<float>(frequency)});
        (*samples)[static_cast<size_t>(low_ + shift)] = std::move(copy);
    };
    double r = SEMITONE;
    for (int32_t s = 1; s <= high_; ++s, r *= SEMITONE) addCopy(s, frequency_ * r);
    r = SEMITONE;
    for (int32_t s = 1; s <= low_; ++s, r *= SEMITONE) addCopy(-s, frequency_ / r);

    // Every copy is made from the recording, never from a neighbouring copy.
    const std::vector<bool> overWork = MakeShiftedSamples(
        *recording, jobs, 0, &Owner().budgets.work,
        {Owner().platform.rates, &Owner().budgets.conversion}, Owner().options.pitch);
    ReportOverWork(jobs, overWork);
    for (auto& entry : *samples) {
        // A copy whose image could not be had is no sample: a voice asking for exactly that
        // shift plays nothing.
        if (entry && !entry->Image()) entry.reset();
    }
    (*samples)[static_cast<size_t>(low_)] = std::move(recording);
    samples_ = std::move(samples);
    return true;
}

}  // namespace chordlane
