// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Gains of a second-order loop (proportional and integral) for a noise bandwidth
// B_L * T (per bit) and damping zeta, from the standard linear loop formulas:
// omega_n = B_L T / (0.5 (zeta + 1 / (4 zeta))), kp = 2 zeta omega_n, ki = omega_n^2.

#include "modem/receive/ReceiverSettings.h"

struct LoopGains {
    static constexpr Real kDamping = 0.707;

    explicit LoopGains(Real noiseBandwidthBits)
    {
        const Real naturalFrequency = noiseBandwidthBits / (0.5 * (kDamping + 1 / (4 * kDamping)));
        proportional = 2 * kDamping * naturalFrequency;
        integral = naturalFrequency * naturalFrequency;
    }

    Real proportional;
    Real integral;
};
