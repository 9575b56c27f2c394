#include "PreambleEndSearch.h"

#include <complex>

Real PreambleEndSearch::search(const BitMatchedFilters& filters, Real t) const
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
    if (best < t - kSamplesPerBit / 2)
        best += kSamplesPerBit;
    return best;
}
