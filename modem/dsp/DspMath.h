// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The receive chain's floating type and small numeric helpers.

#include <cmath>
#include <numbers>

// The floating type of the whole receive chain, in one place. double rather than
// long double: on ARM boards long double is emulated in software and far too slow.
using Real = double;

inline constexpr Real kPi = std::numbers::pi_v<Real>;

// The fractional part of v, keeping its sign: v minus v truncated toward zero.
inline Real frac(Real v)
{
    return v - std::trunc(v);
}
