// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// How far the path turns the 1 tone's phase against the 0 tone's.
//
// A sky wave often arrives by two rays a millisecond or two apart. Their sum
// then depends on the frequency: across the tone spacing (half the bit rate,
// 62.5 Hz at 125 baud) a delay of 1 ms turns the second ray by 2 pi 62.5 0.001 =
// 0.39 rad, and near a fade, where the rays nearly cancel, the two tones come
// out with phases far apart. The coherent detector has one carrier phase for
// both; this estimate gives it the skew between them, so that each tone is read
// against its own phase: theta - skew / 2 for the 0 tone, theta + skew / 2 for
// the 1 tone, while the carrier loop follows their mean.
// The skew is read where the tone changes: the bit after a change, turned onto
// its state's phase, against the bit before it, 1 tone against 0 tone. A residual
// frequency turns the later bit further on whichever way the tone changed, and
// changes from 0 to 1 and from 1 to 0 alternate, so that it falls out of the
// average (over about ten changes) while the skew stays. Each change counts by
// the product of the two bits' amplitudes against its usual size, so that noise
// in a fade, or after the signal has gone, moves the estimate little. On one ray
// the skew stays near 0. One step per bit; allocates nothing.

#include "modem/dsp/ComplexMath.h"

#include <cmath>

class ToneSkewEstimate {
public:
    static constexpr Real kGain = 0.1;  // per change of tone: about ten of them

    Real skew() const { return std::arg(mean_); }  // radians, the 1 tone ahead of the 0 tone
    Complex halfTurn() const { return halfTurn_; }  // e^(j skew / 2)

    // An over's start: what was read before (noise, or another station) is no guide.
    void restart() { *this = ToneSkewEstimate{}; }

    // aligned: the best branch's output turned onto its state's phase (before the
    // skew is taken off); bit: its tone.
    void step(Complex aligned, int bit)
    {
        if (bit != lastBit_) {
            const Complex oneAgainstZero = bit ? aligned * std::conj(last_) : last_ * std::conj(aligned);
            const Real strength = std::abs(oneAgainstZero);
            power_ = power_ > 0 ? power_ + kGain * (strength - power_) : strength;
            if (power_ > 0) {
                mean_ += kGain * (oneAgainstZero / power_ - mean_);
                const Real size = std::abs(mean_);
                halfTurn_ = size > 0 ? std::sqrt(mean_ / size) : Complex(1, 0);
            }
        }
        last_ = aligned;
        lastBit_ = bit;
    }

private:
    Complex mean_{1, 0};  // of the changes, each over their usual strength
    Real power_ = 0;      // the usual strength of a change, |u_1 u_0|
    Complex halfTurn_{1, 0};
    Complex last_{0, 0};
    int lastBit_ = 1;
};
