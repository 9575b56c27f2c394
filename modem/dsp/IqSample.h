#pragma once
// One complex baseband sample: the in-phase and quadrature branches after the mixer.

#include "ReceiverSettings.h"

struct IqSample {
    Real i = 0;
    Real q = 0;
};
