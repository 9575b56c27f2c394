// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The decision-directed phase-locked loop of the coherent detector: tracks the
// carrier phase theta (radians, at the start of each bit) and its drift per bit
// omega, from the phase error of the best path's newest branch.
//
// At 31 and 63 baud the tones are a little closer than a quarter of the bit rate
// (h = 0.484), so a bit turns the phase by h * pi rather than the trellis's pi / 2;
// the loop adds the difference, +-(pi / 2 - h pi), itself, so the trellis stays
// exact and the loop sees no steady drift. One step per bit.

#include "modem/dsp/ComplexMath.h"
#include "modem/receive/enhanced/LoopGains.h"

#include <algorithm>

class CarrierPhaseLoop {
public:
    static constexpr Real kNoiseBandwidthBits = 0.02;  // B_L * T
    // The frequency search leaves far less than a hundredth of the bit rate; the
    // drift is held to that, so that noise between overs cannot walk it off to
    // where the next preamble would take the loop dozens of bits to pull in.
    static constexpr Real kMaxDrift = 2 * kPi * 0.01;  // radians per bit
    // Bits after a fresh start by which the drift has settled (about two time
    // constants of the loop, 1 / omega_n = 27 bits).
    static constexpr int kSettlingBits = 48;

    explicit CarrierPhaseLoop(Real modulationIndex)
        : gains_(kNoiseBandwidthBits), excessTurn_(kPi / 2 - kPi * modulationIndex)
    {
    }

    Real phase() const { return theta_; }        // radians
    Real drift() const { return omega_; }        // radians per bit

    // error: the branch's phase error (radians); bit: the branch's bit.
    void step(Real error, int bit)
    {
        theta_ = wrapAngle(theta_ + omega_ + gains_.proportional * error + (bit ? excessTurn_ : -excessTurn_));
        omega_ = std::clamp(omega_ + gains_.integral * error, -kMaxDrift, kMaxDrift);
        if (sinceStart_ < kSettlingBits)
            ++sinceStart_;
    }

    // Whether the drift has had time to settle since the last fresh start.
    bool settled() const { return sinceStart_ >= kSettlingBits; }
    // The oscillator before the loop moved by this many radians per bit: once the
    // drift has settled it is the residual frequency, so take the move off it.
    void shiftDrift(Real radiansPerBit) { omega_ = std::clamp(omega_ - radiansPerBit, -kMaxDrift, kMaxDrift); }

    // The frequency search jumped to another station reading: start afresh.
    void forgetDrift()
    {
        omega_ = 0;
        sinceStart_ = 0;
    }
    // The preamble's end fixed the phase directly.
    void setPhase(Real radians) { theta_ = wrapAngle(radians); }

private:
    LoopGains gains_;
    Real excessTurn_;  // radians per bit
    Real theta_ = 0;
    Real omega_ = 0;
    int sinceStart_ = 0;
};
