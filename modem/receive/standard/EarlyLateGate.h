// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The early-late timing error detector. A quarter of a bit before the decision
// point it takes the energy of the phase slope (d squared), a quarter of a bit after
// it subtracts the energy there. When the clock runs late the early point sits
// nearer the middle of the bit than the late one, the error is positive, and the
// clock is brought forward. Window thread only.

#include "modem/receive/ReceiverSettings.h"

class EarlyLateGate {
public:
    void early(Real d) { error_ = d * d; }
    void late(Real d) { error_ -= d * d; }
    // Early minus late energy of the bit just ended; 0 before the first bit.
    Real error() const { return error_; }

private:
    Real error_ = 0;
};
