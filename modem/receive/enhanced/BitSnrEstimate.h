// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// How far the bits stand out of the noise, Eb/N0, measured on the detector's own
// output: the best branch's matched-filter output turned onto the carrier phase,
// a_k, once per bit. Its in-phase part carries the bit's energy; from one bit to
// the next the signal's part barely changes while the noise is new, so half the
// square of the step, Re a_k - Re a_(k-1), averaged over about 50 bits, is the
// noise power per dimension, sigma^2. Against the mean amplitude A over the same
// span, Eb/N0 = A^2 / (2 sigma^2). Noise alone reads below 1; a fade changes A and
// sigma^2 together and so reads about the same. One step per bit; allocates nothing.

#include "modem/dsp/ComplexMath.h"

class BitSnrEstimate {
public:
    static constexpr Real kMemory = 0.98;  // per bit: about 50 bits

    // aligned: the bit's output on the carrier phase; amplitude: the running mean
    // of its magnitude.
    void step(Complex aligned, Real amplitude)
    {
        const Real now = aligned.real();
        const Real change = now - previous_;
        previous_ = now;
        amplitude_ = amplitude;
        if (bits_++ == 0)
            return;
        const Real noise = change * change / 2;
        noisePower_ = bits_ == 2 ? noise : kMemory * noisePower_ + (1 - kMemory) * noise;
    }

    // Eb/N0 as a power ratio; 0 until two bits have come.
    Real ebOverN0() const
    {
        if (bits_ < 2)
            return 0;
        return noisePower_ > 0 ? amplitude_ * amplitude_ / (2 * noisePower_) : kClear;
    }

private:
    static constexpr Real kClear = 1e6;  // a signal with no noise at all (60 dB)

    Real previous_ = 0;
    Real amplitude_ = 0;
    Real noisePower_ = 0;
    long long bits_ = 0;
};
