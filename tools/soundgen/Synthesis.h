#pragma once
// The instrument sounds, as signals in -1..1. Every sound is tuned so that its fundamental is
// exactly the frequency asked for: the instruments state that pitch, and the program's pitch
// shifting relies on it being true.

#include <cstdint>
#include <vector>

namespace chordlane::soundgen {

struct PluckSettings {
    double frequency = 110.0;
    double seconds = 2.0;
    double decaySeconds = 3.0;   // time for the fundamental to fall by 60 dB
    double brightness = 0.5;     // 0..1: how much of the pick's noise passes into the string
    double pickPosition = 0.13;  // fraction of the string length from the bridge
    uint64_t seed = 1;
};

//! A plucked string: a noise burst circulating in a tuned, damped delay loop.
std::vector<double> PluckString(int rate, const PluckSettings& settings);

//! A struck tine, like an electric piano: a frequency-modulated tone whose brightness fades.
std::vector<double> StrikeTine(int rate, double frequency, double seconds, double decaySeconds);

//! A bass drum: a sine that drops quickly onto its pitch, with a short click.
std::vector<double> Kick(int rate, double frequency, uint64_t seed);

//! A snare drum: a short tone of the drum head under a burst of band-passed noise.
std::vector<double> Snare(int rate, double frequency, uint64_t seed);

//! A closed hi-hat: a dense band of high harmonics with random phases, which sounds like
//! noise yet repeats exactly at the given frequency.
std::vector<double> HiHat(int rate, double frequency, uint64_t seed);

}  // namespace chordlane::soundgen
