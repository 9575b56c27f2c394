// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Where the demodulator's two outputs go. Both are called from inside
// DemodulateSample on the window thread.

#include "modem/receive/ReceiverSettings.h"

// Once per bit, at the middle of the bit (tick counter 8).
class BitDecisionSink {
public:
    virtual ~BitDecisionSink() = default;
    virtual void DecideBit(Real d) = 0;
};

// Four times per bit (tick counter 0, 4, 8, 12), after the decision.
class PhasePointSink {
public:
    virtual ~PhasePointSink() = default;
    virtual void PlotPhasePoint(int tickCounter, Real d) = 0;
};
