// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Complex arithmetic of the enhanced receive chain: the baseband as std::complex,
// and the few helpers its blocks share.

#include "modem/dsp/DspMath.h"

#include <complex>

using Complex = std::complex<Real>;

// An angle brought into [-pi, pi).
inline Real wrapAngle(Real radians)
{
    return radians - 2 * kPi * std::floor((radians + kPi) / (2 * kPi));
}

// e^(j radians).
inline Complex unitPhasor(Real radians)
{
    return {std::cos(radians), std::sin(radians)};
}

// Linear interpolation between two neighbouring samples, mu in [0, 1).
inline Complex interpolate(Complex a, Complex b, Real mu)
{
    return a + mu * (b - a);
}
