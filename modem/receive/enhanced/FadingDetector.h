// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The detector for fast fading: the MSK trellis scored against a channel
// reference that follows the path's gain bit by bit (FadingChannelEstimate),
// beside the coherent detector that scores against the carrier loop alone.
//
// A branch from state m scores Re(c_b e^(-j(theta + m pi / 2)) conj(g_m)), with
// g_m the survivor's predicted gain: the tone's output is turned by the residual
// phase the carrier loop has not followed, and weighted by how strong the path is
// (a bit in a deep fade says little). The prediction error of the best survivor,
// |u - g|^2, tells how well this reference fits the signal (DetectorSelector).
// Each bit the trellis decides is then decided again against its two neighbours
// (TwoSidedBitDecision), which the previous bit alone lags behind on a turning
// path. Decisions come out with the same delay as the coherent detector's, so
// either can give the next decision. One step per bit; allocates nothing.

#include "modem/receive/enhanced/FadingChannelEstimate.h"
#include "modem/receive/enhanced/MskTrellis.h"
#include "modem/receive/enhanced/TwoSidedBitDecision.h"

class FadingDetector {
public:
    explicit FadingDetector(int delay) : trellis_(delay), twoSided_(delay) {}

    // One bit: the two tones' matched-filter outputs at its end and the carrier
    // loop's phase taken off, e^(-j theta). Returns the best path's newest branch.
    MskTrellis::Branch step(Complex zero, Complex one, Complex carrier);

    // The bit grid and carrier phase were set afresh (the preamble's end): the
    // reference starts again as a steady path of this amplitude.
    void restart(Real amplitude)
    {
        estimate_.restart(amplitude);
        started_ = true;
    }

    // The speed, for the second look at each decision: the bit rate and the
    // modulation index.
    void setSpeed(Real bitRate, Real modulationIndex) { twoSided_.setSpeed(bitRate, modulationIndex); }

    // |u - g|^2 of the best survivor's newest branch, before g took it in.
    Real predictionError() const { return predictionError_; }
    // The best survivor's newest branch: its bit, and the unit phasor that turns
    // its tone's output onto the predicted gain's phase.
    int bit() const { return bit_; }
    Complex reference() const;
    bool hasDecision() const { return trellis_.hasDecision(); }
    int decision() const { return twoSided_.decision(); }
    // One sample's noise power, from how far each decided bit misses its neighbours.
    Real noise() const { return twoSided_.noise(); }

private:
    MskTrellis trellis_;
    TwoSidedBitDecision twoSided_;
    FadingChannelEstimate estimate_;
    bool started_ = false;
    Real predictionError_ = 0;
    int bit_ = 1;
    Complex bestGain_{1, 0};     // conj of the best survivor's predicted gain
    Complex bestCarrier_{1, 0};  // e^(-j(theta + m pi / 2)) of its starting state
};
