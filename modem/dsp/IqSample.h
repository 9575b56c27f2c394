// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One complex baseband sample: the in-phase and quadrature branches after the mixer.

#include "modem/dsp/DspMath.h"

struct IqSample {
    Real i = 0;
    Real q = 0;
};
