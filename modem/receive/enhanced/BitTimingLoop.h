// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The bit clock of the enhanced chain: the strobe t, the (fractional) decimated
// sample at which the current bit's matched-filter window ends, and the clock's
// rate error r. A second-order loop steered by the timing error detector, whose
// bandwidth the sync setting chooses. After the preamble's end it runs first
// order, five times faster at first and then slower bit by bit, to settle on
// the new grid at once. One step per bit.

#include "modem/receive/enhanced/LoopGains.h"

#include <algorithm>

class BitTimingLoop {
public:
    static constexpr int kSamplesPerBit = 16;
    static constexpr Real kFastBandwidthBits = 0.02;   // "Fast sync", B_L * T
    static constexpr Real kSlowBandwidthBits = 0.005;  // "Slow sync"
    static constexpr Real kAcquireBandwidthBits = 0.1; // first order, after the preamble
    // Near the threshold the preamble's end may put the grid a quarter of a bit
    // off, and only the text's changes of tone pull it back. At the fast gain
    // for 12 bits the grid was seen still half-way there; the straddled bits
    // then turned the carrier loop away, and against a wrong carrier phase the
    // timing detector pushed the grid the wrong way, by a whole bit within 300
    // (an over's first words lost at 31 baud near -12 dB). Held fast for longer,
    // noise slipped the grid instead. The error is a fixed offset to be found in
    // noise, best done by averaging over a growing memory: the gain falls as
    // m / (m + k) of the fast one, k bits after the preamble's end, for 32 bits
    // (to 0.11, twice the tracking gain at "Fast sync"). At 31 baud near the
    // threshold this nearly halved the overs whose first words were lost. Kept
    // falling until it met the tracking gain (96 bits in), it let one of 16 pairs
    // of overs at 500 baud print 580 junk characters in the noise between them.
    static constexpr Real kAcquireMemoryBits = 24;  // m
    static constexpr int kLongestAcquireBits = 32;
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
        if (sinceAcquire_ < kLongestAcquireBits) {
            const Real gain = acquiring_.proportional * kAcquireMemoryBits /
                              (kAcquireMemoryBits + static_cast<Real>(sinceAcquire_));
            ++sinceAcquire_;
            t_ += kSamplesPerBit * (1 + r_) + gain * error;
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
    void acquire() { sinceAcquire_ = 0; }

private:
    LoopGains acquiring_{kAcquireBandwidthBits};
    Real t_;
    Real r_ = 0;
    int sinceAcquire_ = kLongestAcquireBits;  // bits since the preamble's end, while acquiring
};
