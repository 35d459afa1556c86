// Measures how well pitch copies keep a recording's pitch and spectrum: for each recording
// given and each shift from -12 to +12 semitones, the pitch error in cents and the energy
// between the partials that the copy adds, for the exact and the fine method and, when asked,
// for an external pitch shifter run as a command (a reference, never linked).
//
//   pitchquality [--external 'COMMAND'] [--work DIR] NAME=FILE.wav@HZ ...
//
// COMMAND is run through the shell with {in}, {out} and {shift} replaced, e.g.
// 'soundstretch {in} {out} -pitch={shift}'. HZ is the note's nominal frequency: the
// recording's own pitch is measured near it, and the copies are made from (and measured
// against) the measured pitch, so a recording tuned a little off costs no method anything.
//
// Pitch: a Hann-windowed spectrum of the steady part (from 50 ms, at most 1.5 s), each of the
// first harmonics located at the centre of energy around its peak, and f0 their average
// weighted by amplitude times harmonic number
// (leaving out any more than 60 cents from its place). Energy between the partials: the share of
// the spectrum's energy above f0 / 2 that lies further than max(3 bins, f0 / 10) from every partial
// (each partial found as the highest bin within 0.3 f0 of h f0); "added" is the copy's share over
// the recording's, in dB.

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "sound/PitchShift.h"
#include "sound/Sample.h"
#include "sound/WaveFile.h"

using namespace chordlane;

namespace {

constexpr double PI = 3.14159265358979323846;

void Fft(std::vector<std::complex<double>>& a) {
    const size_t n = a.size();
    for (size_t i = 1, j = 0; i < n; ++i) {
        size_t bit = n >> 1;
        for (; j & bit; bit >>= 1) j ^= bit;
        j ^= bit;
        if (i < j) std::swap(a[i], a[j]);
    }
    for (size_t len = 2; len <= n; len <<= 1) {
        const double angle = -2 * PI / static_cast<double>(len);
        const std::complex<double> wl(std::cos(angle), std::sin(angle));
        for (size_t i = 0; i < n; i += len) {
            std::complex<double> w(1);
            for (size_t j = 0; j < len / 2; ++j) {
                const std::complex<double> u = a[i + j];
                const std::complex<double> v = a[i + j + len / 2] * w;
                a[i + j] = u + v;
                a[i + j + len / 2] = u - v;
                w *= wl;
            }
        }
    }
}

std::vector<double> Values(const Sample& s) {
    std::vector<double> v(static_cast<size_t>(s.ValueCount()));
    for (size_t i = 0; i < v.size(); ++i) {
        const int32_t stored = OffsetValue(s, static_cast<int64_t>(i)) + SAMPLE_OFFSET;
        v[i] = s.format.bitsPerSample == 16 ? stored : stored - 128;
    }
    return v;
}

struct Analysis {
    double f0 = 0;
    double between = 0;  // share of energy between the partials
};

// With printPeaks, each partial found is printed, to see why a copy measures as it does.
Analysis Analyse(const std::vector<double>& x, double rate, double expected, bool printPeaks) {
    Analysis result;
    const auto start = static_cast<size_t>(0.05 * rate);
    if (x.size() <= start + 64) return result;
    const size_t length = std::min(x.size() - start, static_cast<size_t>(1.5 * rate));
    size_t n = 1;
    while (n < 4 * length) n <<= 1;
    std::vector<std::complex<double>> a(n);
    for (size_t i = 0; i < length; ++i) {
        const double w = 0.5 - 0.5 * std::cos(2 * PI * (i + 0.5) / length);
        a[i] = x[start + i] * w;
    }
    Fft(a);
    const double binHz = rate / static_cast<double>(n);
    std::vector<double> power(n / 2);
    for (size_t k = 0; k < n / 2; ++k) power[k] = std::norm(a[k]);
    auto peakNear = [&](double hz, double reach, double& at, double& amplitude) {
        const auto lo = static_cast<size_t>(std::max(1.0, (hz - reach) / binHz));
        const auto hi = std::min(n / 2 - 2, static_cast<size_t>((hz + reach) / binHz));
        if (lo >= hi) return false;
        size_t best = lo;
        for (size_t k = lo; k <= hi; ++k)
            if (power[k] > power[best]) best = k;
        const double l = std::log(power[best - 1] + 1e-30), c = std::log(power[best] + 1e-30),
                     r = std::log(power[best + 1] + 1e-30);
        const double d = (l - 2 * c + r) != 0 ? 0.5 * (l - r) / (l - 2 * c + r) : 0.0;
        at = (static_cast<double>(best) + std::clamp(d, -0.5, 0.5)) * binHz;
        amplitude = std::sqrt(power[best]);
        return true;
    };
    double sum = 0, weights = 0;
    for (int h = 1; h <= 6 && h * expected < 0.45 * rate; ++h) {
        double at = 0, amplitude = 0;
        if (!peakNear(h * expected, 0.2 * expected, at, amplitude)) continue;
        // Where a partial is several close lines (voices of a choir, detuned layers) its pitch
        // is their centre of energy: taken within 1.5 % around the peak, then around that.
        for (int pass = 0; pass < 2; ++pass) {
            const double reach = std::max(3.0 * rate / static_cast<double>(length), 0.015 * at);
            double moment = 0, energy = 0;
            for (auto k = static_cast<size_t>(std::max(1.0, (at - reach) / binHz));
                 k <= std::min(n / 2 - 1, static_cast<size_t>((at + reach) / binHz)); ++k) {
                moment += power[k] * static_cast<double>(k) * binHz;
                energy += power[k];
            }
            if (energy > 0) at = moment / energy;
        }
        // A partial more than 60 cents from its place (an organ's sub-octave stop, a
        // neighbouring voice of a choir) says nothing of the note's pitch.
        if (std::fabs(1200 * std::log2(at / (h * expected))) > 60) continue;
        if (printPeaks)
            std::printf("    h%d %.3f Hz (%.2f cents) %.1f dB\n", h, at,
                        1200 * std::log2(at / (h * expected)), 20 * std::log10(amplitude + 1e-30));
        sum += at / h * amplitude * h;
        weights += amplitude * h;
    }
    if (weights <= 0) return result;
    result.f0 = sum / weights;
    const double f0 = result.f0;
    const double tolerance = std::max(3.0 * rate / static_cast<double>(length), 0.1 * f0);
    std::vector<uint8_t> onPartial(n / 2);
    for (int h = 1; h * f0 < rate / 2; ++h) {
        double at = 0, amplitude = 0;
        if (!peakNear(h * f0, 0.3 * f0, at, amplitude)) continue;
        const auto lo = static_cast<size_t>(std::max(0.0, (at - tolerance) / binHz));
        const auto hi = std::min(n / 2 - 1, static_cast<size_t>((at + tolerance) / binHz));
        for (size_t k = lo; k <= hi; ++k) onPartial[k] = 1;
    }
    double total = 0, between = 0;
    for (auto k = static_cast<size_t>(0.5 * f0 / binHz); k < n / 2; ++k) {
        total += power[k];
        if (!onPartial[k]) between += power[k];
    }
    result.between = total > 0 ? between / total : 0;
    return result;
}

std::unique_ptr<Sample> ReadWave(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                     std::istreambuf_iterator<char>());
    auto s = std::make_unique<Sample>();
    if (bytes.empty() || !ParseWave(*s, bytes)) return nullptr;
    return s;
}

bool WriteWave(const Sample& s, const std::string& path) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(s.Image()),
              static_cast<std::streamsize>(s.dataLength + WAVE_HEADER_SIZE));
    return static_cast<bool>(out);
}

std::string Replace(std::string text, const std::string& what, const std::string& with) {
    for (size_t at; (at = text.find(what)) != std::string::npos;)
        text.replace(at, what.size(), with);
    return text;
}

double Cents(double f, double target) { return f > 0 ? 1200.0 * std::log2(f / target) : 9999.0; }

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty()      ? 0
           : v.size() % 2 ? v[v.size() / 2]
                          : 0.5 * (v[v.size() / 2 - 1] + v[v.size() / 2]);
}

}  // namespace

int main(int argc, char** argv) {
    std::string external;
    std::string work = "/tmp/pitchquality";
    bool verbose = false;
    bool peaks = false;
    std::vector<std::string> recordings;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--external" && i + 1 < argc) {
            external = argv[++i];
        } else if (arg == "--work" && i + 1 < argc) {
            work = argv[++i];
        } else if (arg == "--peaks") {
            peaks = true;
        } else if (arg == "-v") {
            verbose = true;
        } else {
            recordings.push_back(arg);
        }
    }
    if (recordings.empty()) {
        std::fprintf(stderr,
                     "usage: pitchquality [--external 'CMD {in} {out} {shift}'] [--work DIR] [-v] "
                     "NAME=FILE.wav@HZ ...\n");
        return 2;
    }
    std::system(("mkdir -p '" + work + "'").c_str());
    std::printf("%-12s %8s %8s | %23s | %23s\n", "recording", "hz", "cents", "median added dB",
                "worst |cents|");
    std::printf("%-12s %8s %8s | %7s %7s %7s | %7s %7s %7s\n", "", "", "", "exact", "fine", "ext",
                "exact", "fine", "ext");
    for (const std::string& argument : recordings) {
        const size_t eq = argument.find('='), at = argument.rfind('@');
        if (eq == std::string::npos || at == std::string::npos || at < eq) {
            std::fprintf(stderr, "pitchquality: '%s' is not NAME=FILE@HZ\n", argument.c_str());
            return 2;
        }
        const std::string name = argument.substr(0, eq),
                          path = argument.substr(eq + 1, at - eq - 1);
        const double nominal = std::atof(argument.substr(at + 1).c_str());
        std::unique_ptr<Sample> rec = ReadWave(path);
        if (!rec) {
            std::fprintf(stderr, "pitchquality: cannot read '%s'\n", path.c_str());
            return 1;
        }
        const double rate = rec->format.samplesPerSec;
        const std::vector<double> recValues = Values(*rec);
        const Analysis base = Analyse(recValues, rate, nominal, peaks);
        rec->frequency = static_cast<float>(base.f0);
        const std::string in = work + "/" + name + ".wav";
        if (!external.empty()) WriteWave(*rec, in);
        std::vector<double> added[3], worst(3, 0.0);
        for (int shift = -12; shift <= 12; ++shift) {
            const double target = static_cast<double>(rec->frequency) * std::pow(2.0, shift / 12.0);
            double cents[3] = {0, 0, 0}, dB[3] = {0, 0, 0};
            for (int m = 0; m < 3; ++m) {
                std::unique_ptr<Sample> copy;
                if (m < 2) {
                    copy = std::make_unique<Sample>();
                    MakeShiftedSample(*copy, *rec, static_cast<float>(target),
                                      m == 0 ? PitchMethod::Exact : PitchMethod::Fine);
                } else {
                    if (external.empty()) continue;
                    const std::string out =
                        work + "/" + name + "_" + std::to_string(shift) + ".wav";
                    std::string command =
                        Replace(Replace(Replace(external, "{in}", in), "{out}", out), "{shift}",
                                std::to_string(shift));
                    command += " >/dev/null 2>&1";
                    if (std::system(command.c_str()) != 0) {
                        std::fprintf(stderr, "pitchquality: '%s' failed\n", command.c_str());
                        return 1;
                    }
                    copy = ReadWave(out);
                    if (!copy) return 1;
                }
                const Analysis a =
                    Analyse(Values(*copy), copy->format.samplesPerSec, target, peaks);
                cents[m] = Cents(a.f0, target);
                dB[m] = 10 * std::log10((a.between + 1e-30) / (base.between + 1e-30));
                added[m].push_back(dB[m]);
                worst[m] = std::max(worst[m], std::fabs(cents[m]));
            }
            if (verbose) {
                std::printf(
                    "  %-10s %+3d  cents %+7.2f %+7.2f %+7.2f  added dB %+6.1f %+6.1f %+6.1f\n",
                    name.c_str(), shift, cents[0], cents[1], cents[2], dB[0], dB[1], dB[2]);
            }
        }
        std::printf("%-12s %8.2f %+8.2f | %+7.1f %+7.1f %+7.1f | %7.2f %7.2f %7.2f\n", name.c_str(),
                    base.f0, Cents(base.f0, nominal), Median(added[0]), Median(added[1]),
                    external.empty() ? 0.0 : Median(added[2]), worst[0], worst[1], worst[2]);
        std::fflush(stdout);
    }
    return 0;
}
