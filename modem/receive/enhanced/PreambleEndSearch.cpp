// SPDX-License-Identifier: GPL-3.0-or-later
#include "modem/receive/enhanced/PreambleEndSearch.h"

#include <cmath>
#include <complex>

bool PreambleEndSearch::twoZeros(const BitMatchedFilters& filters, Real u)
{
    const Real zeros = std::norm(filters.zeroAt(u)) + std::norm(filters.zeroAt(u + kSamplesPerBit));
    const Real ones = std::norm(filters.oneAt(u)) + std::norm(filters.oneAt(u + kSamplesPerBit));
    return zeros > ones;
}

std::optional<Real> PreambleEndSearch::search(const BitMatchedFilters& filters, Real t)
{
    Real best = t;
    Real bestScore = -1;
    for (Real d = kSearchFrom; d <= kSearchTo; d += kSearchStep) {
        const Real u = t + d;
        Real score = 0;
        for (int k = -2; k < 2; ++k) {
            const Real v = u + k * kSamplesPerBit;
            const Real lead = std::norm(filters.oneAt(v)) - std::norm(filters.zeroAt(v));  // > 0 for a 1
            score += k < 0 ? lead : -lead;
        }
        if (score > bestScore) {
            bestScore = score;
            best = u;
        }
    }
    if (!twoZeros(filters, best))
        return std::nullopt;
    const bool zeroTaken = (recent_ & 1u) == 0;
    recent_ = 0;
    return zeroTaken ? best + kSamplesPerBit : best;
}
