#pragma once
// Elementary functions built from IEEE additions, multiplications and divisions only, so that
// the generated files come out byte for byte the same whatever maths library the machine has.
// Accuracy is a few units in the last place, far finer than 16-bit samples need.

#include <cstdint>
#include <vector>

namespace chordlane::soundgen {

inline constexpr double PI = 3.14159265358979323846;
inline constexpr double TWO_PI = 2.0 * PI;

double Sin(double x);
double Cos(double x);
double Exp(double x);
//! Ten to the power x.
double Pow10(double x);
//! Two to the power x.
double Pow2(double x);

//! The frequency in hertz of a note counted in semitones from A 440 Hz.
double NoteFrequency(int semitonesFromA440);

//! A sample value in -1..1 as a 16-bit integer, rounded half up and clipped.
int16_t ToPcm16(double value);

//! Scales the signal so that its largest magnitude becomes peak.
void Normalise(std::vector<double>& signal, double peak);

//! Fades the last seconds of the signal out along a half cosine, so playback ends silently.
void FadeOut(std::vector<double>& signal, int rate, double seconds);

}  // namespace chordlane::soundgen
