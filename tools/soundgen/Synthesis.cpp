#include "tools/soundgen/Synthesis.h"

#include <algorithm>
#include <cmath>

#include "tools/soundgen/Biquad.h"
#include "tools/soundgen/Random.h"
#include "tools/soundgen/SoundMath.h"

namespace chordlane::soundgen {
namespace {

size_t SampleCount(int rate, double seconds) {
    return static_cast<size_t>(std::floor(seconds * rate));
}

// Removes the constant part that a filtered noise burst leaves, which would otherwise
// circulate in the string loop as a slowly decaying offset.
void RemoveMean(std::vector<double>& signal) {
    if (signal.empty()) return;
    double sum = 0.0;
    for (double v : signal) sum += v;
    const double mean = sum / static_cast<double>(signal.size());
    for (double& v : signal) v -= mean;
}

void BlockDc(std::vector<double>& signal) {
    double previousIn = 0.0;
    double previousOut = 0.0;
    for (double& v : signal) {
        const double out = v - previousIn + 0.995 * previousOut;
        previousIn = v;
        previousOut = out;
        v = out;
    }
}

double Attack(double t, double seconds) { return 1.0 - Exp(-t / seconds); }

}  // namespace

std::vector<double> PluckString(int rate, const PluckSettings& s) {
    const size_t length = SampleCount(rate, s.seconds);
    const double period = rate / s.frequency;
    // One trip round the loop takes n samples in the delay line, half a sample in the
    // averaging filter and eta in the allpass. Keeping eta in [0.1, 1.1) keeps the allpass
    // coefficient well inside the unit circle.
    const int n = static_cast<int>(std::floor(period - 0.6));
    const double eta = period - 0.5 - n;
    const double w0 = TWO_PI * s.frequency / rate;
    // The allpass delays by exactly eta at the fundamental (its delay varies with frequency,
    // so a coefficient for a delay of eta at DC would leave the note flat).
    const double c = Sin((1.0 - eta) * w0 / 2.0) / Sin((1.0 + eta) * w0 / 2.0);
    // Loss per trip so that the fundamental falls 60 dB in decaySeconds; the averaging
    // filter already takes cos(w0/2) of it.
    const double perTrip = Pow10(-3.0 / (s.decaySeconds * s.frequency));
    const double rho = std::min(0.99995, perTrip / Cos(w0 / 2.0));

    Random random(s.seed);
    std::vector<double> burst(static_cast<size_t>(n));
    double smoothed = 0.0;
    for (double& v : burst) {
        smoothed += s.brightness * (random.Bipolar() - smoothed);
        v = smoothed;
    }
    RemoveMean(burst);
    // Plucking at a point of the string silences the harmonics that have a node there.
    const int pick = std::max(1, static_cast<int>(std::floor(s.pickPosition * n + 0.5)));
    std::vector<double> excitation(burst.size());
    for (size_t i = 0; i < burst.size(); ++i) {
        excitation[i] = burst[i] - (i >= static_cast<size_t>(pick) ? burst[i - pick] : 0.0);
    }

    std::vector<double> string(length);
    double previousDelayed = 0.0, previousAveraged = 0.0, previousAllpass = 0.0;
    for (size_t i = 0; i < length; ++i) {
        const double delayed = i >= static_cast<size_t>(n) ? string[i - n] : 0.0;
        const double averaged = 0.5 * (delayed + previousDelayed);
        const double allpass = c * averaged + previousAveraged - c * previousAllpass;
        previousDelayed = delayed;
        previousAveraged = averaged;
        previousAllpass = allpass;
        const double input = i < excitation.size() ? excitation[i] : 0.0;
        string[i] = input + rho * allpass;
    }

    // A few broad body resonances, as a guitar top adds them; linear filters keep the pitch.
    Biquad lowBody = Biquad::BandPass(rate, 105.0, 2.0);
    Biquad midBody = Biquad::BandPass(rate, 230.0, 2.5);
    Biquad airBody = Biquad::BandPass(rate, 480.0, 3.0);
    Biquad tone = Biquad::LowPass(rate, 4500.0, 0.7);
    std::vector<double> out(length);
    for (size_t i = 0; i < length; ++i) {
        const double x = string[i];
        const double body =
            0.5 * lowBody.Process(x) + 0.35 * midBody.Process(x) + 0.25 * airBody.Process(x);
        out[i] = tone.Process(x + body);
    }
    BlockDc(out);
    Normalise(out, 0.85);
    FadeOut(out, rate, 0.15);
    return out;
}

std::vector<double> StrikeTine(int rate, double frequency, double seconds, double decaySeconds) {
    const size_t length = SampleCount(rate, seconds);
    std::vector<double> out(length);
    for (size_t i = 0; i < length; ++i) {
        const double t = static_cast<double>(i) / rate;
        const double phase = TWO_PI * frequency * t;
        // A modulator at the carrier's own frequency keeps every partial harmonic; its
        // index falls from a bright bark to a soft, nearly pure tone.
        const double index = 0.35 + 2.2 * Exp(-t / 0.18);
        const double carrier = Sin(phase + index * Sin(phase));
        const double ping = 0.18 * Sin(7.0 * phase) * Exp(-t / 0.025);
        out[i] = Attack(t, 0.002) * Exp(-t / decaySeconds) * (carrier + ping);
    }
    Normalise(out, 0.7);
    FadeOut(out, rate, 0.12);
    return out;
}

std::vector<double> Kick(int rate, double frequency, uint64_t seed) {
    const size_t length = SampleCount(rate, 0.6);
    Random random(seed);
    Biquad clickTone = Biquad::LowPass(rate, 3000.0, 0.7);
    std::vector<double> out(length);
    double phase = 0.0;
    for (size_t i = 0; i < length; ++i) {
        const double t = static_cast<double>(i) / rate;
        // The skin starts tight and settles on its pitch within a few tens of milliseconds.
        const double f = frequency * (1.0 + 2.5 * Exp(-t / 0.008));
        const double body = Sin(phase) * Attack(t, 0.0008) * Exp(-t / 0.22);
        phase += TWO_PI * f / rate;
        if (phase >= TWO_PI) phase -= TWO_PI;
        const double click = 0.35 * clickTone.Process(random.Bipolar()) * Exp(-t / 0.0025);
        out[i] = body + click;
    }
    Normalise(out, 0.8);
    FadeOut(out, rate, 0.05);
    return out;
}

std::vector<double> Snare(int rate, double frequency, uint64_t seed) {
    const size_t length = SampleCount(rate, 0.4);
    Random random(seed);
    Biquad wires = Biquad::BandPass(rate, 4000.0, 0.6);
    Biquad crack = Biquad::HighPass(rate, 1200.0, 0.7);
    std::vector<double> out(length);
    for (size_t i = 0; i < length; ++i) {
        const double t = static_cast<double>(i) / rate;
        const double phase = TWO_PI * frequency * t;
        const double head = (Sin(phase) + 0.45 * Sin(2.0 * phase + 0.3)) * Exp(-t / 0.12);
        const double noise = crack.Process(wires.Process(random.Bipolar()));
        out[i] = Attack(t, 0.0005) * (0.55 * head + 1.6 * noise * Exp(-t / 0.045));
    }
    Normalise(out, 0.8);
    FadeOut(out, rate, 0.05);
    return out;
}

std::vector<double> HiHat(int rate, double frequency, uint64_t seed) {
    const size_t length = SampleCount(rate, 0.22);
    Random random(seed);
    // Harmonics from about 5 kHz up to 17.6 kHz, below the Nyquist frequency of 44.1 kHz.
    const int first = static_cast<int>(std::ceil(5000.0 / frequency));
    const int last = static_cast<int>(std::floor(17600.0 / frequency));
    std::vector<double> amplitude, phase;
    for (int k = first; k <= last; ++k) {
        amplitude.push_back((0.4 + 0.6 * random.Unit()) *
                            std::sqrt(first / static_cast<double>(k)));
        phase.push_back(TWO_PI * random.Unit());
    }
    std::vector<double> out(length);
    for (size_t i = 0; i < length; ++i) {
        const double t = static_cast<double>(i) / rate;
        double sum = 0.0;
        for (size_t p = 0; p < amplitude.size(); ++p) {
            const double harmonic = static_cast<double>(first + static_cast<int>(p));
            sum += amplitude[p] * Sin(TWO_PI * harmonic * frequency * t + phase[p]);
        }
        out[i] = Attack(t, 0.0004) * Exp(-t / 0.04) * sum;
    }
    Normalise(out, 0.6);
    FadeOut(out, rate, 0.02);
    return out;
}

}  // namespace chordlane::soundgen
