// SPDX-License-Identifier: GPL-3.0-or-later
#include "modem/receive/enhanced/SteadyCarrierNotch.h"

#include <algorithm>
#include <cmath>

SteadyCarrierNotch::SteadyCarrierNotch(Real bitRate, Real reachHz, const kissfft<Real>& transform)
    : tickRate_(16 * bitRate), binHz_(tickRate_ / static_cast<Real>(kLength)),
      reachBins_(static_cast<std::size_t>(std::ceil(reachHz / binHz_))),
      steadyHops_(std::max<std::size_t>(kSteadyBits, static_cast<std::size_t>(std::ceil(kSteadySeconds * bitRate))) / kHopBits),
      releaseHops_(static_cast<std::size_t>(std::ceil(kReleaseSeconds * bitRate / kHopBits))),
      adaptation_(2 * kPi * kNotchHz / tickRate_), transform_(&transform)
{
    reachBins_ = std::min(reachBins_, kLength / 2 - kSideBins - 1);
    for (std::size_t n = 0; n < kLength; ++n)
        hann_[n] = 0.5 - 0.5 * std::cos(2 * kPi * static_cast<Real>(n) / static_cast<Real>(kLength - 1));
}

Complex SteadyCarrierNotch::step(Complex z)
{
    history_[write_] = history_[write_ + kLength] = z;
    write_ = write_ + 1 == kLength ? 0 : write_ + 1;
    filled_ = std::min(filled_ + 1, kLength);
    if (filled_ == kLength && ++sinceLook_ >= kHopBits * 16) {
        sinceLook_ = 0;
        look();
    }
    if (!engaged_)
        return z;
    const Complex turn = std::conj(carrier_.step(carrierHz_ / tickRate_));  // e^(j w n)
    const Complex y = z - amplitude_ * turn;
    amplitude_ += adaptation_ * y * std::conj(turn);
    if (settlingLeft_ > 0 && --settlingLeft_ == 0)
        ++engagements_;
    return y;
}

void SteadyCarrierNotch::look()
{
    const Complex* w = history_.data() + write_;  // oldest first
    for (std::size_t n = 0; n < kLength; ++n)
        in_[n] = w[n] * hann_[n];
    transform_->transform(in_.data(), out_.data());
    for (std::size_t k = 0; k < kLength; ++k)
        power_[k] = std::norm(out_[k]);
    const auto bin = [&](std::int64_t k) { return power_[static_cast<std::size_t>(k) & (kLength - 1)]; };

    // The strongest bin within reach, and whether it stands out as a line.
    const auto reach = static_cast<std::int64_t>(reachBins_);
    std::int64_t best = 0;
    for (std::int64_t k = -reach; k <= reach; ++k)
        if (bin(k) > bin(best))
            best = k;
    // A carrier's line is narrow: three bins away it has fallen by far more than
    // any station's spectrum does (a station's is a bit rate wide).
    const bool line = bin(best) > kLineRatio * std::max(bin(best - kSideBins), bin(best + kSideBins));

    if (engaged_) {
        const auto notched = static_cast<std::int64_t>(std::lround(carrierHz_ / binHz_));
        // The notch takes the line out of the input's spectrum only as the
        // remainder; the input still holds it while the carrier is on.
        if (line && std::abs(best - notched) <= 1)
            missedHops_ = 0;
        else if (++missedHops_ >= releaseHops_)
            engaged_ = false;
        return;
    }
    if (!line) {
        candidateHops_ = 0;
        return;
    }
    if (candidateHops_ > 0 && std::abs(best - candidateBin_) <= 1)
        ++candidateHops_;
    else
        candidateHops_ = 1;
    candidateBin_ = best;
    if (candidateHops_ < steadyHops_)
        return;
    // A parabola through the line's bin and its neighbours places it to a
    // fraction of a bin.
    const Real a = bin(best - 1), b = bin(best), c = bin(best + 1);
    const Real den = a - 2 * b + c;
    const Real shift = den < 0 ? 0.5 * (a - c) / den : 0;
    carrierHz_ = (static_cast<Real>(best) + shift) * binHz_;
    engaged_ = true;
    missedHops_ = 0;
    candidateHops_ = 0;
    amplitude_ = {};
    settlingLeft_ = kSettlingBits * 16;
}
