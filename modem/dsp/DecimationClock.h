// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Says which recorded samples the enhanced chain's front end keeps: a phase in
// output periods that advances by the output rate over the input rate each sample
// and keeps a sample whenever it reaches a whole period. Exact for the whole
// ratios of the five speeds (16, 8, 4, 2 and 1 recorded samples per kept one at
// 8000 per second). Never pulled by any loop. One step per recorded sample.

#include "modem/dsp/DspMath.h"

class DecimationClock {
public:
    bool step(Real outputsPerSample)
    {
        phase_ += outputsPerSample;
        if (phase_ < 1)
            return false;
        phase_ = frac(phase_);
        return true;
    }

private:
    Real phase_ = 0;
};
