// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The enhanced chain's per-sample filters on the frequency-corrected baseband,
// with a short history so the per-bit stage can read them between samples:
//  - the two one-bit matched filters, one for each tone: each sums the last 16
//    samples turned back by the tone's own phase ramp (h * pi over the bit, the
//    exact h of the speed), so at the end of a bit the filter of the tone sent
//    holds the bit's energy with the phase the signal had when the bit began;
//  - the timing filter: the derivative of a two-bit half-sine pulse, whose output
//    read at the end of a bit crosses zero when the bit boundary 15.5 samples back
//    is exactly between two samples of the bit grid.
// The matched filters run as sliding sums (two complex multiplications a sample),
// recomputed in full every ring turn so rounding never builds up; the timing
// filter is summed only where it is read. One step per decimated sample.
// Allocates nothing.

#include "modem/dsp/ComplexMath.h"

#include <array>
#include <cstddef>
#include <cstdint>

class BitMatchedFilters {
public:
    static constexpr int kLength = 16;          // samples: one bit
    static constexpr int kTimingLength = 32;    // samples: two bits
    static constexpr std::size_t kHistory = 256;  // samples kept, a power of two

    explicit BitMatchedFilters(Real modulationIndex);

    void step(Complex corrected)
    {
        ++newest_;
        const std::size_t at = slot(newest_);
        const Complex leaving = samples_[slot(newest_ - kLength)];
        samples_[at] = corrected;
        if (at == 0) {
            zero_[at] = fullSum(zeroRamp_);
            one_[at] = fullSum(oneRamp_);
            return;
        }
        // c[n] = back * (c[n-1] - z[n-16]) + z[n] * ramp[15].
        const std::size_t before = slot(newest_ - 1);
        zero_[at] = zeroBack_ * (zero_[before] - leaving) + corrected * zeroRamp_[kLength - 1];
        one_[at] = oneBack_ * (one_[before] - leaving) + corrected * oneRamp_[kLength - 1];
    }

    // Index of the newest sample (the first is 0); -1 before any.
    std::int64_t newest() const { return newest_; }
    // Filter outputs at a (fractional) sample time within the history, linearly
    // interpolated: the windows end at t.
    Complex zeroAt(Real t) const { return interpolated(zero_, t); }
    Complex oneAt(Real t) const { return interpolated(one_, t); }
    Complex zeroAtSample(std::int64_t n) const { return zero_[slot(n)]; }
    Complex oneAtSample(std::int64_t n) const { return one_[slot(n)]; }
    Complex timingAt(Real t) const;

private:
    static std::size_t slot(std::int64_t n) { return static_cast<std::size_t>(n) & (kHistory - 1); }
    Complex interpolated(const std::array<Complex, kHistory>& a, Real t) const;
    Complex timingAtSample(std::int64_t n) const;
    Complex fullSum(const std::array<Complex, kLength>& ramp) const;

    std::array<Complex, kLength> zeroRamp_{};  // tap s weights sample n - 15 + s
    std::array<Complex, kLength> oneRamp_{};
    Complex zeroBack_;   // one sample's turn undone, for the sliding sum
    Complex oneBack_;
    std::array<Real, kTimingLength> timingTaps_{};

    std::array<Complex, kHistory> samples_{};
    std::array<Complex, kHistory> zero_{};
    std::array<Complex, kHistory> one_{};
    std::int64_t newest_ = -1;
};
