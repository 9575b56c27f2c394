// SPDX-License-Identifier: GPL-3.0-or-later
#include "modem/dsp/KaiserLowPass.h"

#include "modem/dsp/DspMath.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr Real kSeriesEnd = 1e-14;  // relative size of the last term of the I0 series

// The modified Bessel function of the first kind, order 0, by its power series.
Real besselI0(Real x)
{
    Real sum = 1;
    Real term = 1;
    for (int k = 1; term > kSeriesEnd * sum; ++k) {
        const Real f = x / (2 * k);
        term *= f * f;
        sum += term;
    }
    return sum;
}

// Kaiser's empirical formulas: the window's shape parameter for a rejection.
Real kaiserBeta(Real attenuationDb)
{
    if (attenuationDb > 50)
        return 0.1102 * (attenuationDb - 8.7);
    if (attenuationDb > 21)
        return 0.5842 * std::pow(attenuationDb - 21, 0.4) + 0.07886 * (attenuationDb - 21);
    return 0;
}

}  // namespace

FilterTaps kaiserLowPass(Real attenuationDb, Real transitionHz, Real cutoffHz, Real sampleRate)
{
    // Length from the rejection and the transition width (as a fraction of half
    // the sample rate), made odd.
    const Real width = transitionHz / (sampleRate / 2);
    auto count = static_cast<std::size_t>(std::ceil((attenuationDb - 7.95) / 2.285 / (kPi * width) + 1));
    count |= 1;
    count = std::min(count, FilterTaps::kCapacity);

    FilterTaps taps;
    taps.count = count;
    const Real beta = kaiserBeta(attenuationDb);
    const Real centre = static_cast<Real>(count - 1) / 2;
    const Real band = cutoffHz / (sampleRate / 2);  // cutoff as a fraction of half the rate
    Real sum = 0;
    for (std::size_t n = 0; n < count; ++n) {
        const Real m = static_cast<Real>(n) - centre;
        const Real x = band * m;
        const Real sinc = m == 0 ? 1 : std::sin(kPi * x) / (kPi * x);
        const Real r = centre > 0 ? m / centre : 0;
        const Real window = besselI0(beta * std::sqrt(std::max<Real>(0, 1 - r * r))) / besselI0(beta);
        taps.c[n] = band * sinc * window;
        sum += taps.c[n];
    }
    for (std::size_t n = 0; n < count; ++n)
        taps.c[n] /= sum;
    return taps;
}
