// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Which of the two detectors gives the decisions: the coherent one (the slow
// carrier loop's phase and a steady amplitude) or the one for fast fading
// (FadingDetector, a reference that follows the path bit by bit).
//
// Each reference predicts the next bit's sample on its best path; the one whose
// predictions miss by less fits the channel now. The slow reference is a steady
// path on the carrier loop's phase at the amplitude of the last few bits, so the
// slow swell and fall of a fade does not count against it, only the phase it
// leaves behind. On white noise it misses by the noise alone, about 2 sigma^2,
// while the fast one, which is the previous bit, carries that bit's noise as
// well and misses by about 4 sigma^2; when the path turns faster than the
// carrier loop follows, the slow one also misses by the phase it lags, which soon
// outweighs that. The misses are averaged over about 32 bits. The choice leaves
// the coherent detector only when the fast reference misses by less than 0.7 of
// it (so that noise alone never moves it: near the threshold a reference made of
// one noisy bit costs decibels), and comes back when the coherent one misses by
// less than 0.8 of the fast one. The share 0.7 and the 4-bit amplitude were
// measured against the 1 % points of slower fading (CCIR good at 31 baud and
// moderate at 125 baud), which a quicker move to the fast reference costs 1 dB
// or more.
// One step per bit; allocates nothing.

#include "modem/dsp/ComplexMath.h"

#include <cmath>

class DetectorSelector {
public:
    static constexpr Real kErrorMemory = 1.0 / 32;   // per bit: the misses' average
    static constexpr Real kAmplitudeGain = 0.25;     // per bit: the slow reference's level, about 4 bits
    static constexpr Real kLeaveCoherentRatio = 0.7; // fast misses below this share of the slow ones
    static constexpr Real kReturnRatio = 0.8;        // slow misses below this share of the fast ones

    // aligned: the coherent detector's best branch on the carrier phase;
    // fastError: the fading detector's prediction error for the same bit.
    void step(Complex aligned, Real fastError)
    {
        if (!started_) {
            started_ = true;
            level_ = std::abs(aligned);
            slowError_ = fastError_ = level_ * level_;
        }
        // The slow reference: a steady path of the recent amplitude, on the carrier.
        const Real slowError = std::norm(aligned - Complex(level_, 0));
        level_ = std::abs(level_ + kAmplitudeGain * (aligned.real() - level_));
        slowError_ += kErrorMemory * (slowError - slowError_);
        fastError_ += kErrorMemory * (fastError - fastError_);
        if (!fast_ && fastError_ < kLeaveCoherentRatio * slowError_)
            fast_ = true;
        else if (fast_ && slowError_ < kReturnRatio * fastError_)
            fast_ = false;
    }

    // An over's start: it begins on the coherent detector, as after a fresh start.
    void restart() { *this = DetectorSelector{}; }
    bool fast() const { return fast_; }
    Real slowError() const { return slowError_; }
    Real fastError() const { return fastError_; }

private:
    bool started_ = false;
    bool fast_ = false;
    Real level_ = 0;
    Real slowError_ = 0;
    Real fastError_ = 0;
};
