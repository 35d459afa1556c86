#pragma once
// Second-order filter sections (direct form I) with the usual cookbook coefficient formulas,
// computed with the generator's own sine and cosine so the coefficients never vary.

#include "tools/soundgen/SoundMath.h"

namespace chordlane::soundgen {

class Biquad {
  public:
    static Biquad LowPass(int rate, double frequency, double q) {
        const Terms t = MakeTerms(rate, frequency, q);
        return Biquad((1.0 - t.cosW) / 2.0, 1.0 - t.cosW, (1.0 - t.cosW) / 2.0, t);
    }
    static Biquad HighPass(int rate, double frequency, double q) {
        const Terms t = MakeTerms(rate, frequency, q);
        return Biquad((1.0 + t.cosW) / 2.0, -(1.0 + t.cosW), (1.0 + t.cosW) / 2.0, t);
    }
    //! Band pass with a peak gain of one.
    static Biquad BandPass(int rate, double frequency, double q) {
        const Terms t = MakeTerms(rate, frequency, q);
        return Biquad(t.alpha, 0.0, -t.alpha, t);
    }

    double Process(double x) {
        const double y = b0_ * x + b1_ * x1_ + b2_ * x2_ - a1_ * y1_ - a2_ * y2_;
        x2_ = x1_;
        x1_ = x;
        y2_ = y1_;
        y1_ = y;
        return y;
    }

  private:
    struct Terms {
        double cosW;
        double alpha;
    };

    static Terms MakeTerms(int rate, double frequency, double q) {
        const double w = TWO_PI * frequency / rate;
        return {Cos(w), Sin(w) / (2.0 * q)};
    }

    Biquad(double b0, double b1, double b2, const Terms& t) {
        const double a0 = 1.0 + t.alpha;
        b0_ = b0 / a0;
        b1_ = b1 / a0;
        b2_ = b2 / a0;
        a1_ = -2.0 * t.cosW / a0;
        a2_ = (1.0 - t.alpha) / a0;
    }

    double b0_ = 0.0, b1_ = 0.0, b2_ = 0.0, a1_ = 0.0, a2_ = 0.0;
    double x1_ = 0.0, x2_ = 0.0, y1_ = 0.0, y2_ = 0.0;
};

}  // namespace chordlane::soundgen
