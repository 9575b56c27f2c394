// SPDX-License-Identifier: GPL-3.0-or-later
#include "modem/receive/enhanced/MskTrellis.h"

#include <algorithm>

MskTrellis::MskTrellis(int delay) : delay_(std::clamp(delay, 1, kMaxDelay)) {}

MskTrellis::Branch MskTrellis::step(Complex zero, Complex one, Real theta)
{
    std::array<Complex, kStates> references;
    references.fill(unitPhasor(-theta));
    return step(zero, one, references, references);
}

MskTrellis::Branch MskTrellis::step(Complex zero, Complex one, const std::array<Complex, kStates>& zeroReferences,
                                    const std::array<Complex, kStates>& oneReferences)
{
    std::array<Real, kStates> zeroScore{};
    std::array<Real, kStates> oneScore{};
    for (std::size_t m = 0; m < kStates; ++m) {
        const Complex quarter = quarterBack(static_cast<int>(m));
        zeroScore[m] = (zero * (zeroReferences[m] * quarter)).real();
        oneScore[m] = (one * (oneReferences[m] * quarter)).real();
    }
    const std::size_t at = steps_ % history_.size();
    Survivors& s = history_[at];
    std::array<Real, kStates> next{};
    for (std::size_t m = 0; m < kStates; ++m) {
        const std::size_t viaOne = (m + 1) % kStates;   // a 1 bit came down from m + 1
        const std::size_t viaZero = (m + 3) % kStates;  // a 0 bit came up from m - 1
        const Real a = metric_[viaOne] + oneScore[viaOne];
        const Real b = metric_[viaZero] + zeroScore[viaZero];
        const bool one = a >= b;
        next[m] = one ? a : b;
        s.from[m] = static_cast<std::int8_t>(one ? viaOne : viaZero);
        s.bit[m] = static_cast<std::int8_t>(one ? 1 : 0);
    }
    const Real top = *std::max_element(next.begin(), next.end());
    best_ = 0;
    for (std::size_t m = 0; m < kStates; ++m) {
        metric_[m] = next[m] - top;
        if (metric_[m] > metric_[static_cast<std::size_t>(best_)])
            best_ = static_cast<int>(m);
    }
    ++steps_;

    if (hasDecision()) {
        // Back along the best path to the bit `delay` bits ago.
        Path path;
        bestPath(delay_ + 1, path);
        for (int i = 0; i < delay_; ++i)
            following_[static_cast<std::size_t>(i)] = static_cast<std::int8_t>(path[static_cast<std::size_t>(delay_ - 1 - i)].bit);
        decision_ = path[static_cast<std::size_t>(delay_)].bit;
    }
    return {s.bit[static_cast<std::size_t>(best_)], s.from[static_cast<std::size_t>(best_)]};
}

void MskTrellis::bestPath(int count, Path& path) const
{
    int state = best_;
    for (int j = 0; j < count; ++j) {
        const Survivors& back = history_[(steps_ - 1 - static_cast<std::uint64_t>(j)) % history_.size()];
        const auto s = static_cast<std::size_t>(state);
        path[static_cast<std::size_t>(j)] = {back.bit[s], back.from[s]};
        state = back.from[s];
    }
}
