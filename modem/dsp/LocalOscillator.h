// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The receiver's local oscillator: a phase accumulator in cycles and the cosine and
// sine of the new phase, which the mixer multiplies with each recorded sample.
// One step per recorded sample. Window thread only.

#include "modem/dsp/DspMath.h"
#include "modem/dsp/IqSample.h"

class LocalOscillator {
public:
    // Advances the phase by cyclesPerSample (centre frequency / sample rate) and
    // returns cos and sin of the new phase. Dropping the whole part keeps the phase
    // in [0, 1) while the frequency is positive, so precision never runs out.
    IqSample step(Real cyclesPerSample)
    {
        phase_ = frac(phase_ + cyclesPerSample);
        const Real w = 2 * kPi * phase_;  // radians
        return {std::cos(w), std::sin(w)};
    }

    Real phase() const { return phase_; }  // cycles

private:
    Real phase_ = 0;
};
