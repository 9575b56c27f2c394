#pragma once
// Small numeric helpers of the receive chain.

#include "ReceiverSettings.h"

#include <cmath>
#include <numbers>

inline constexpr Real kPi = std::numbers::pi_v<Real>;

// The fractional part of v, keeping its sign: v minus v truncated toward zero.
inline Real frac(Real v)
{
    return v - std::trunc(v);
}
