// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Gains of a second-order loop (proportional and integral) for a noise bandwidth
// B_L * T (per bit) and damping zeta, from the standard linear loop formulas:
// omega_n = B_L T / (0.5 (zeta + 1 / (4 zeta))), kp = 2 zeta omega_n, ki = omega_n^2.
// A third-order loop adds a slow integral of the integral, kr = epsilon omega_n^3:
// s^3 + kp s^2 + ki s + kr is stable while kr < kp ki (epsilon < 2 zeta), and with
// a small epsilon the second-order loop's response and noise bandwidth barely change.

#include "modem/receive/ReceiverSettings.h"

struct LoopGains {
    static constexpr Real kDamping = 0.707;
    static constexpr Real kRampShare = 0.1;  // epsilon

    explicit LoopGains(Real noiseBandwidthBits)
    {
        const Real naturalFrequency = noiseBandwidthBits / (0.5 * (kDamping + 1 / (4 * kDamping)));
        proportional = 2 * kDamping * naturalFrequency;
        integral = naturalFrequency * naturalFrequency;
        ramp = kRampShare * integral * naturalFrequency;
    }

    Real proportional;
    Real integral;
    Real ramp;  // only for a third-order loop
};
