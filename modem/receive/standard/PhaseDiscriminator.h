// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The phase discriminator: how far the baseband phase turned over the last three
// stage-2 outputs (12 ticks, three quarters of a bit), in units of pi radians,
// wrapped to -1..1. A tone below the centre frequency turns the baseband phase
// forward and gives d > 0. One step per stage-2 output. Window thread only.

#include "modem/dsp/DspMath.h"
#include "modem/dsp/IqSample.h"

#include <array>
#include <cmath>
#include <cstddef>

class PhaseDiscriminator {
public:
    static constexpr std::size_t kSpan = 3;  // stage-2 outputs between the two phases

    Real step(IqSample x)
    {
        // atan2(0, 0) is 0: silence reads as no turning at all.
        const Real p = std::atan2(x.q, x.i) / kPi;  // -1..1
        Real d = p - history_[index_];
        history_[index_] = p;
        index_ = index_ + 1 == kSpan ? 0 : index_ + 1;
        if (d > 1)
            d -= 2;
        else if (d < -1)
            d += 2;
        return d;
    }

private:
    std::array<Real, kSpan> history_{};
    std::size_t index_ = 0;
};
