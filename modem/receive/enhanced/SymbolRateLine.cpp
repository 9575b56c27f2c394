// SPDX-License-Identifier: GPL-3.0-or-later
#include "modem/receive/enhanced/SymbolRateLine.h"

#include <cmath>

SymbolRateLine::SymbolRateLine() : forgetting_(std::exp(-1.0 / (kSamplesPerBit * kMemoryBits)))
{
    for (int n = 0; n < kSamplesPerBit; ++n)
        rate_[static_cast<std::size_t>(n)] = unitPhasor(-2 * kPi * n / kSamplesPerBit);
}

Real SymbolRateLine::bitEndAt(std::int64_t n) const
{
    const Complex x = line_[slot(n)];
    const Real m = -std::atan2(x.imag(), x.real()) * kSamplesPerBit / (2 * kPi);
    return m - kSamplesPerBit * std::floor(m / kSamplesPerBit);
}
