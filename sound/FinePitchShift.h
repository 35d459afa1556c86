#pragma once
// Pitch copies with grains placed between samples. Like the exact method (PitchShift.h) a
// copy is the recording cut into grains, one per period and centred on its pitch marks, laid
// out again at the new period; here every mark keeps its fraction of a sample, and the marks
// follow the recording. From the first mark (the pitch phase) each next one is found where
// the waveform best repeats the period before it, within a twentieth of the nominal period:
// a played note wavers around its pitch (vibrato, a string settling), and grains cut at fixed
// spacing from it would not line up. The copy's marks are spaced at the recording's local
// period times the ratio of the frequencies, so the copy wavers as the recording does, by the
// same interval, around the frequency asked for. Each copy mark takes the grain of the
// recording's mark nearest in time. As a grain's centres in recording and copy differ by the
// same fraction for all its values, one interpolating filter (a Kaiser-windowed sinc, its
// fraction rounded to a 512th of a sample) reads all of it. The grains are weighted by a Hann
// window over two nominal periods and summed in single precision; one gain then keeps the
// copy within the recording's peak. With every mark where it belongs and every grain read at
// its true position, the copy's energy stays on its partials instead of spreading between
// them, as whole-sample marks make it do.
//
// The values are taken as they are meant, centred on silence: 16-bit values as they stand and
// 8-bit values less 128. A copy keeps the recording's length, rate and format, and the largest
// magnitude of a copy is at most the recording's. Where the exact method holds a copy to the
// recording (no data, no complete period in the first half second, a frequency outside the
// rate), so does this. The marks are found once per recording, with bounded work: at most
// about 130 operations per value whatever the period.

#include <cstdint>
#include <vector>

namespace chordlane {

class Sample;

// What every fine copy of one recording shares: its values as floats with room around them
// for the filter, the filter table, the window's cosines and the peak. Made once per
// recording; then only read, by as many threads as make copies.
class FineShifter {
  public:
    //! Analyses source (FindPitchPhase) and reads it. When memory for that cannot be had,
    //! Ready() is false.
    explicit FineShifter(Sample& source);

    //! False when the memory for the shared tables could not be had: no copy can be made.
    bool Ready() const { return ready_; }

    //! Fills out, prepared as a copy of the recording (its image and header in place), with
    //! the recording shifted to frequency; scratch is the caller's to keep between copies.
    //! The recording and frequency must give the synthesis something to work with
    //! (CanShift). Answers the values weighted and cleared, or -1 when memory for the
    //! scratch cannot be had (out is then left as it was).
    int64_t MakeCopy(Sample& out, float frequency, std::vector<float>& scratch) const;

  private:
    const Sample& source_;
    bool ready_ = false;
    double phase_ = 0.0;
    double period_ = 0.0;  // the nominal source period in samples
    // The recording's pitch marks in samples, rising, from a period before its start to a
    // period past its end.
    std::vector<double> marks_;
    float limit_ = 0.0f;  // the largest magnitude of the recording's values
    int64_t count_ = 0;
    std::vector<float> values_;  // the centred values, FILTER_TAPS zeros either side
    std::vector<float> filter_;  // FILTER_PHASES rows of FILTER_TAPS weights
    // cos and sin of pi * n / period: the Hann window of any grain is made from these.
    std::vector<float> cosines_;
    std::vector<float> sines_;
};

}  // namespace chordlane
