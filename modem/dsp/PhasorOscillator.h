// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A complex oscillator that turns backwards, e^(-j phase): multiplying a signal by
// its output moves the signal down by the oscillator's frequency. It keeps a unit
// phasor and turns it by one complex multiplication per step; the step's phasor is
// recomputed only when the frequency changes, and the length is pulled back to 1
// at every step, so rounding never builds up. One step per sample.

#include "modem/dsp/ComplexMath.h"

class PhasorOscillator {
public:
    // cyclesPerSample: the frequency over the sample rate. Returns the phasor for
    // this sample, then turns it on for the next.
    Complex step(Real cyclesPerSample)
    {
        if (cyclesPerSample != cyclesPerSample_) {
            cyclesPerSample_ = cyclesPerSample;
            turn_ = unitPhasor(-2 * kPi * cyclesPerSample);
        }
        const Complex out = phasor_;
        phasor_ *= turn_;
        phasor_ *= (3 - std::norm(phasor_)) / 2;  // one Newton step toward length 1
        return out;
    }

private:
    Complex phasor_{1, 0};
    Complex turn_{1, 0};
    Real cyclesPerSample_ = 0;
};
