#include "tools/soundgen/SoundMath.h"

#include <algorithm>
#include <cmath>

namespace chordlane::soundgen {
namespace {

// pi/2 and ln 2 split into a short head and a tail: n times the head is exact for every n
// the generator meets, so the argument reduction loses nothing.
constexpr double PIO2_HI = 1.57079632673412561417e+00;
constexpr double PIO2_LO = 6.07710050650619224932e-11;
constexpr double LN2_HI = 6.93147180369123816490e-01;
constexpr double LN2_LO = 1.90821492927058770002e-10;
constexpr double LN2 = 0.69314718055994530942;
constexpr double LN10 = 2.30258509299404568402;

// Taylor series on |r| <= pi/4; the first omitted terms are below 1e-16.
double SinKernel(double r) {
    const double r2 = r * r;
    double p = -1.0 / 1307674368000.0;
    p = 1.0 / 6227020800.0 + r2 * p;
    p = -1.0 / 39916800.0 + r2 * p;
    p = 1.0 / 362880.0 + r2 * p;
    p = -1.0 / 5040.0 + r2 * p;
    p = 1.0 / 120.0 + r2 * p;
    p = -1.0 / 6.0 + r2 * p;
    return r + r * r2 * p;
}

double CosKernel(double r) {
    const double r2 = r * r;
    double p = 1.0 / 20922789888000.0;
    p = -1.0 / 87178291200.0 + r2 * p;
    p = 1.0 / 479001600.0 + r2 * p;
    p = -1.0 / 3628800.0 + r2 * p;
    p = 1.0 / 40320.0 + r2 * p;
    p = -1.0 / 720.0 + r2 * p;
    p = 1.0 / 24.0 + r2 * p;
    p = -0.5 + r2 * p;
    return 1.0 + r2 * p;
}

// Sine of x shifted by quarter turns: quarter 0 gives sin, 1 gives cos.
double SinQuarter(double x, int quarter) {
    const double n = std::floor(x / PIO2_HI + 0.5);
    const double r = (x - n * PIO2_HI) - n * PIO2_LO;
    // fmod of a whole number is exact; the quadrant decides which kernel and which sign.
    int q = static_cast<int>(std::fmod(n, 4.0));
    q = ((q + quarter) % 4 + 4) % 4;
    switch (q) {
        case 0:
            return SinKernel(r);
        case 1:
            return CosKernel(r);
        case 2:
            return -SinKernel(r);
        default:
            return -CosKernel(r);
    }
}

}  // namespace

double Sin(double x) { return SinQuarter(x, 0); }

double Cos(double x) { return SinQuarter(x, 1); }

double Exp(double x) {
    if (x < -700.0) return 0.0;
    if (x > 700.0) return HUGE_VAL;
    const double k = std::floor(x / LN2 + 0.5);
    const double r = (x - k * LN2_HI) - k * LN2_LO;  // |r| <= ln2 / 2
    double p = 1.0 / 6227020800.0;
    p = 1.0 / 479001600.0 + r * p;
    p = 1.0 / 39916800.0 + r * p;
    p = 1.0 / 3628800.0 + r * p;
    p = 1.0 / 362880.0 + r * p;
    p = 1.0 / 40320.0 + r * p;
    p = 1.0 / 5040.0 + r * p;
    p = 1.0 / 720.0 + r * p;
    p = 1.0 / 120.0 + r * p;
    p = 1.0 / 24.0 + r * p;
    p = 1.0 / 6.0 + r * p;
    p = 0.5 + r * p;
    p = 1.0 + r * p;
    p = 1.0 + r * p;
    // Scaling by a power of two is exact.
    return std::ldexp(p, static_cast<int>(k));
}

double Pow10(double x) { return Exp(x * LN10); }

double Pow2(double x) { return Exp(x * LN2); }

double NoteFrequency(int semitonesFromA440) {
    return 440.0 * Pow2(static_cast<double>(semitonesFromA440) / 12.0);
}

int16_t ToPcm16(double value) {
    const double scaled = std::floor(value * 32767.0 + 0.5);
    return static_cast<int16_t>(std::clamp(scaled, -32768.0, 32767.0));
}

void Normalise(std::vector<double>& signal, double peak) {
    double largest = 0.0;
    for (double v : signal) largest = std::max(largest, std::fabs(v));
    if (largest == 0.0) return;
    const double scale = peak / largest;
    for (double& v : signal) v *= scale;
}

void FadeOut(std::vector<double>& signal, int rate, double seconds) {
    const size_t count = std::min(signal.size(), static_cast<size_t>(seconds * rate));
    const size_t start = signal.size() - count;
    for (size_t i = 0; i < count; ++i) {
        const double t = static_cast<double>(i + 1) / static_cast<double>(count);
        signal[start + i] *= 0.5 + 0.5 * Cos(PI * t);
    }
}

}  // namespace chordlane::soundgen
