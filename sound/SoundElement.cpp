#include "sound/SoundElement.h"

#include <algorithm>
#include <cmath>

namespace chordlane {

namespace {

// 12 log2(frequency / 440), rounded halves away from zero, in the precisions the note
// arithmetic has always used: a single-precision 1/440, a double logarithm.
int32_t BaseNoteOf(float frequency) {
    const float q = frequency * 0.0022727272f;
    const double d = std::log(static_cast<double>(q)) * 1.442695041 * 12.0;
    const float x = static_cast<float>(d);
    const double rounded = x >= 0 ? static_cast<double>(x) + 0.5 : static_cast<double>(x) - 0.5;
    const float y = static_cast<float>(rounded);
    if (!(y > -2147483648.0f && y < 2147483648.0f)) return 0;
    return static_cast<int32_t>(y);
}

}  // namespace

SoundElement::SoundElement(String name, String referencePath, String fileName, float frequency,
                           int32_t low, int32_t high, bool quiet)
    : IndexedElement(std::move(name)),
      frequency_(frequency),
      baseNote_(BaseNoteOf(frequency)),
      high_(high),
      low_(low),
      fileName_(std::move(fileName)),
      referencePath_(std::move(referencePath)),
      quiet_(quiet) {
    SoundElement::Reset();
}

SoundElement::~SoundElement() = default;

void SoundElement::Reset() {
    active_ = false;
    samples_.reset();
}

int32_t SoundElement::GetKind() const { return KIND_SOUND; }

void SoundElement::SetActive(bool active) { IndexedElement::SetActive(active); }

Sample* SoundElement::GetSample(int32_t shift) {
    if (!samples_) return nullptr;
    shift = std::clamp(shift, -low_, high_);
    return (*samples_)[static_cast<size_t>(low_ + shift)].get();
}

}  // namespace chordlane
