// SPDX-License-Identifier: GPL-3.0-or-later
#include "modem/receive/enhanced/FadingDetector.h"

#include <algorithm>
#include <array>
#include <cstddef>

namespace {

constexpr int kStates = MskTrellis::kStates;

}  // namespace

Complex FadingDetector::reference() const
{
    const Real gain = std::abs(bestGain_);
    return gain > 0 ? bestCarrier_ * bestGain_ / gain : bestCarrier_;
}

MskTrellis::Branch FadingDetector::step(Complex zero, Complex one, Complex carrier)
{
    if (!started_)
        restart(std::max(std::abs(zero), std::abs(one)));
    std::array<Complex, kStates> references;
    for (int m = 0; m < kStates; ++m)
        references[static_cast<std::size_t>(m)] = carrier * std::conj(estimate_.prediction(m));
    const MskTrellis::Branch branch = trellis_.step(zero, one, references, references);

    // Each survivor's newest sample on its starting state's phase, which is what
    // its reference predicted.
    std::array<int, kStates> from{};
    std::array<Complex, kStates> sample{};
    for (int m = 0; m < kStates; ++m) {
        const auto i = static_cast<std::size_t>(m);
        from[i] = trellis_.from(m);
        sample[i] = (trellis_.bit(m) ? one : zero) * carrier * MskTrellis::quarterBack(from[i]);
    }
    const auto best = static_cast<std::size_t>(trellis_.bestState());
    const Complex predicted = estimate_.prediction(from[best]);
    predictionError_ = std::norm(sample[best] - predicted);
    bit_ = trellis_.bit(static_cast<int>(best));
    bestGain_ = std::conj(predicted);
    bestCarrier_ = carrier * MskTrellis::quarterBack(from[best]);
    estimate_.follow(from, sample);
    twoSided_.push(zero * carrier, one * carrier);
    if (trellis_.hasDecision()) {
        TwoSidedBitDecision::Following following{};
        for (std::size_t i = 0; i < following.size(); ++i)
            following[i] = trellis_.followingOnPath(static_cast<int>(i));
        twoSided_.decide(following);
    }
    return branch;
}
