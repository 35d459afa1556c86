#pragma once
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "elements/Element.h"
#include "sound/PitchShift.h"
#include "sound/Sample.h"

namespace chordlane {

// LOW and HIGH are capped so that a sound element cannot ask for unbounded memory.
inline constexpr int32_t MAX_SHIFT_RANGE = 127;

// A named set of pitched samples made from one wave file: the recording and one shifted
// copy per semitone of its range, computed when the element first becomes active and kept
// for the element's whole life (voices and sounding channels hold on to them).
class SoundElement : public IndexedElement {
  public:
    SoundElement(Instrument& owner, String name, String referencePath, String fileName,
                 float frequency, int32_t low, int32_t high, bool quiet);
    ~SoundElement() override;

    const char* ClassName() const override { return "SoundElement"; }
    void Reset() override;
    int32_t GetKind() const override;
    //! Loads the samples the first time it is made active; stays inactive if that fails.
    void SetActive(bool active) override;

    //! The entry for shift, clamped to the range; null when nothing is loaded.
    Sample* GetSample(int32_t shift);
    //! Tells the instrument's listeners when the file search cannot find the wave file; for
    //! an element that has not tried to load yet.
    void ReportIfNotFound();
    //! Whether the recording and its copies are in memory.
    bool HasSamples() const { return samples_ != nullptr; }
    //! Entries of the array (LOW + HIGH + 1), or 0 when nothing is loaded.
    int32_t SampleCount() const;

    int32_t BaseNote() const { return baseNote_; }
    int32_t Low() const { return low_; }
    int32_t High() const { return high_; }
    float Frequency() const { return frequency_; }
    const String& FileName() const { return fileName_; }
    const String& ReferencePath() const { return referencePath_; }
    bool IsQuiet() const { return quiet_; }
    //! Why the wave file could not be loaded the last time it was tried (empty otherwise).
    const String& LoadFailure() const { return loadFailure_; }

  private:
    bool LoadSamples();
    //! Tells the listeners which copies the load's work limit left out, naming this line.
    void ReportOverWork(std::span<const ShiftJob> jobs, const std::vector<bool>& overWork);

    float frequency_ = NO_REAL;
    int32_t baseNote_ = 0;
    int32_t high_ = 0;
    int32_t low_ = 0;
    String fileName_;
    String referencePath_;
    std::unique_ptr<std::vector<std::unique_ptr<Sample>>> samples_;
    bool quiet_ = false;
    String loadFailure_;
};

}  // namespace chordlane
