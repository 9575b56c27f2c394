// SPDX-License-Identifier: GPL-3.0-or-later
#include "modem/receive/enhanced/SymbolRateLine.h"

#include <cmath>

SymbolRateLine::SymbolRateLine() : forgetting_(std::exp(-1.0 / (kSamplesPerBit * kMemoryBits)))
{
    for (int n = 0; n < kSamplesPerBit; ++n)
        rate_[static_cast<std::size_t>(n)] = unitPhasor(-2 * kPi * n / kSamplesPerBit);
}

void SymbolRateLine::step(std::int64_t n, Complex zero, Complex one)
{
    const Real difference = std::norm(one) - std::norm(zero);
    sum_ = forgetting_ * sum_ + (difference * difference) * rate_[static_cast<std::size_t>(n) & (kSamplesPerBit - 1)];
    line_[slot(n)] = sum_;
}

Real SymbolRateLine::bitEndAt(std::int64_t n) const
{
    const Complex x = line_[slot(n)];
    const Real m = -std::atan2(x.imag(), x.real()) * kSamplesPerBit / (2 * kPi);
    return m - kSamplesPerBit * std::floor(m / kSamplesPerBit);
}
