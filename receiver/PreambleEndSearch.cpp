#include "PreambleEndSearch.h"

#include <cmath>
#include <complex>

bool PreambleEndSearch::twoZeros(const BitMatchedFilters& filters, Real u)
{
    const Real zeros = std::norm(filters.zeroAt(u)) + std::norm(filters.zeroAt(u + kSamplesPerBit));
    const Real ones = std::norm(filters.oneAt(u)) + std::norm(filters.oneAt(u + kSamplesPerBit));
    return zeros > ones;
}

std::optional<Real> PreambleEndSearch::search(const BitMatchedFilters& filters, Real t) const
{
    Real best = t;
    Real bestScore = -1;
    for (Real d = kSearchFrom; d <= kSearchTo; d += kSearchStep) {
        const Real u = t + d;
        const Real score = std::norm(filters.oneAt(u - 2 * kSamplesPerBit)) + std::norm(filters.oneAt(u - kSamplesPerBit)) +
                           std::norm(filters.zeroAt(u)) + std::norm(filters.zeroAt(u + kSamplesPerBit));
        if (score > bestScore) {
            bestScore = score;
            best = u;
        }
    }
    if (!twoZeros(filters, best))
        return std::nullopt;
    return best;
}
