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

Real PreambleEndSearch::openingScore(const BitMatchedFilters& filters, Real u)
{
    // Each filter holds the phase at its bit's start, which a 1 bit turns a quarter
    // back and a 0 bit a quarter forward: turning each bit by the opposite of
    // the turns before it lines them all up.
    Complex sum = 0;
    Complex turn = 1;
    for (int k = -kReferenceOnes; k < 2; ++k) {
        const bool one = k < 0;
        const Real v = u + k * kSamplesPerBit;
        sum += (one ? filters.oneAt(v) : filters.zeroAt(v)) * turn;
        turn *= one ? Complex(0, 1) : Complex(0, -1);
    }
    return std::norm(sum);
}

std::optional<Real> PreambleEndSearch::search(const BitMatchedFilters& filters, Real t)
{
    Real best = t;
    Real bestScore = -1;
    for (Real d = kSearchFrom; d <= kSearchTo; d += kSearchStep) {
        const Real u = t + d;
        const Real score = openingScore(filters, u);
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
