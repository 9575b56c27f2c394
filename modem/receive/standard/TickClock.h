// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The bit-synchronous tick clock, 16 ticks per bit: a phase in tick periods that
// runs freely at tickRate / sampleRate per recorded sample and is pulled once per
// bit by the timing loop. Window thread only.

#include "modem/dsp/DspMath.h"

class TickClock {
public:
    // A tick happens only when the phase is strictly above one tick period.
    static constexpr Real kThreshold = 1.0;  // tick periods

    // One recorded sample: advances the phase by ticksPerSample; on a tick drops
    // its whole part. At most one tick per sample.
    //
    // Except when a correction has left more than one further period owed (the
    // phase still above 1 after dropping one period): then only that one period is
    // dropped and the rest is kept for the next samples. Dropping it would lose the
    // advance the timing loop asked for; at 500 baud, where every sample already
    // ticks, the loop could then only ever delay the clock, and the decision point
    // would creep later bit by bit until whole bits slipped on a clean signal.
    bool step(Real ticksPerSample)
    {
        phase_ += ticksPerSample;
        if (!(phase_ > kThreshold))
            return false;
        phase_ = phase_ - kThreshold > kThreshold ? phase_ - kThreshold : frac(phase_);
        return true;
    }

    // The timing loop's correction, in tick periods, added without limit: a
    // positive one brings the following ticks earlier, a negative one delays them.
    void correct(Real ticks) { phase_ += ticks; }

    Real phase() const { return phase_; }  // tick periods

private:
    Real phase_ = 0;
};
