// SPDX-License-Identifier: GPL-3.0-or-later
#include "modem/receive/enhanced/BitMatchedFilters.h"

#include <cmath>

BitMatchedFilters::BitMatchedFilters(Real modulationIndex)
{
    // A 0 bit (upper tone) turns the baseband phase forward by h * pi over the bit,
    // a 1 bit backward; each filter turns its tone's ramp back to the bit's start.
    const Real perSample = kPi * modulationIndex / kLength;  // radians
    for (int s = 0; s < kLength; ++s) {
        zeroRamp_[static_cast<std::size_t>(s)] = unitPhasor(-perSample * s);
        oneRamp_[static_cast<std::size_t>(s)] = unitPhasor(perSample * s);
    }
    zeroBack_ = unitPhasor(perSample);
    oneBack_ = unitPhasor(-perSample);
    // The half-sine pulse sin(pi (m + 0.5) / 32) differentiated, per sample.
    for (int m = 0; m < kTimingLength; ++m)
        timingTaps_[static_cast<std::size_t>(m)] =
            kPi / kTimingLength * std::cos(kPi * (m + 0.5) / kTimingLength);
}

Complex BitMatchedFilters::fullSum(const std::array<Complex, kLength>& ramp) const
{
    Complex sum{};
    for (int s = 0; s < kLength; ++s)
        sum += samples_[slot(newest_ - (kLength - 1) + s)] * ramp[static_cast<std::size_t>(s)];
    return sum;
}

Complex BitMatchedFilters::interpolated(const std::array<Complex, kHistory>& a, Real t) const
{
    const Real whole = std::floor(t);
    const auto n = static_cast<std::int64_t>(whole);
    return interpolate(a[slot(n)], a[slot(n + 1)], t - whole);
}

Complex BitMatchedFilters::timingAtSample(std::int64_t n) const
{
    Complex sum{};
    for (int m = 0; m < kTimingLength; ++m)
        sum += samples_[slot(n - (kTimingLength - 1) + m)] * timingTaps_[static_cast<std::size_t>(m)];
    return sum;
}

Complex BitMatchedFilters::timingAt(Real t) const
{
    const Real whole = std::floor(t);
    const auto n = static_cast<std::int64_t>(whole);
    return interpolate(timingAtSample(n), timingAtSample(n + 1), t - whole);
}
