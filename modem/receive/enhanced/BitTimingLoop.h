// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The bit clock of the enhanced chain: the strobe t, the (fractional) decimated
// sample at which the current bit's matched-filter window ends, and the clock's
// rate error r. A second-order loop steered by the timing error detector, whose
// bandwidth the sync setting chooses; after the preamble's end it runs first
// order and five times faster for 12 bits, to settle on the new grid at once.
// One step per bit.

#include "modem/receive/enhanced/LoopGains.h"

#include <algorithm>

class BitTimingLoop {
public:
    static constexpr int kSamplesPerBit = 16;
    static constexpr Real kFastBandwidthBits = 0.02;   // "Fast sync", B_L * T
    static constexpr Real kSlowBandwidthBits = 0.005;  // "Slow sync"
    static constexpr Real kAcquireBandwidthBits = 0.1; // first order, after the preamble
    static constexpr int kAcquireBits = 12;
    // 3000 ppm, beyond any sound card's clock error; noise between overs cannot
    // walk the rate further off than that.
    static constexpr Real kMaxRateError = 0.003;

    explicit BitTimingLoop(Real start) : t_(start) {}

    Real strobe() const { return t_; }     // decimated samples
    Real rateError() const { return r_; }  // fraction of the nominal rate

    // error: the timing error of the bit just detected, in samples (positive: the
    // bits end later than the strobe); bandwidth: B_L * T of the tracking loop.
    // Moves the strobe on to the end of the next bit.
    void step(Real error, Real bandwidth)
    {
        if (acquireLeft_ > 0) {
            --acquireLeft_;
            t_ += kSamplesPerBit * (1 + r_) + acquiring_.proportional * error;
            return;
        }
        const LoopGains tracking(bandwidth);
        t_ += kSamplesPerBit * (1 + r_) + tracking.proportional * error;
        r_ = std::clamp(r_ + tracking.integral * error / kSamplesPerBit, -kMaxRateError, kMaxRateError);
    }

    // The bit grid was found directly at the start of an over: move the strobe
    // there, and forget the rate learnt from whatever came before (noise, or
    // another station's clock).
    void moveTo(Real strobe)
    {
        t_ = strobe;
        r_ = 0;
    }
    // Settle fast for the next bits.
    void acquire() { acquireLeft_ = kAcquireBits; }

private:
    LoopGains acquiring_{kAcquireBandwidthBits};
    Real t_;
    Real r_ = 0;
    int acquireLeft_ = 0;
};
