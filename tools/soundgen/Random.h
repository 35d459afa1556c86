#pragma once
// A fixed-seed generator (SplitMix64): the same seed gives the same noise on every machine,
// unlike the standard library's distributions, whose algorithms vary between libraries.

#include <cstdint>

namespace chordlane::soundgen {

class Random {
  public:
    explicit Random(uint64_t seed) : state_(seed) {}

    uint64_t Next() {
        state_ += 0x9E3779B97F4A7C15ull;
        uint64_t z = state_;
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }

    //! A value in [-1, 1), from the top 53 bits, so the conversion is exact.
    double Bipolar() {
        return static_cast<double>(Next() >> 11) * (2.0 / 9007199254740992.0) - 1.0;
    }

    //! A value in [0, 1).
    double Unit() { return static_cast<double>(Next() >> 11) * (1.0 / 9007199254740992.0); }

  private:
    uint64_t state_;
};

}  // namespace chordlane::soundgen
