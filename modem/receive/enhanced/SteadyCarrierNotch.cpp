// SPDX-License-Identifier: GPL-3.0-or-later
#include "modem/receive/enhanced/SteadyCarrierNotch.h"

#include <algorithm>
#include <cmath>

std::size_t SteadyCarrierNotch::lookLength(Real bitRate, Real reachHz, Real frontStopHz)
{
    // Thinned by s, the look's samples come tickRate / s a second, and
    // frontStopHz folds down to frontStopHz - tickRate / s: that must stay
    // beyond the reach on the other side.
    const Real tickRate = 16 * bitRate;
    std::size_t length = kLength;
    while (length > 2 && tickRate * static_cast<Real>(length / 2) / static_cast<Real>(kLength) - frontStopHz >= reachHz)
        length /= 2;
    return length;
}

SteadyCarrierNotch::SteadyCarrierNotch(Real bitRate, Real reachHz, Real frontStopHz, const kissfft<Real>& transform)
    : tickRate_(16 * bitRate), lookLength_(lookLength(bitRate, reachHz, frontStopHz)), stride_(kLength / lookLength_),
      binHz_(tickRate_ / static_cast<Real>(kLength)),
      reachBins_(static_cast<std::size_t>(std::ceil(reachHz / binHz_))),
      steadyHops_(std::max<std::size_t>(kSteadyBits, static_cast<std::size_t>(std::ceil(kSteadySeconds * bitRate))) / kHopBits),
      releaseHops_(static_cast<std::size_t>(std::ceil(kReleaseSeconds * bitRate / kHopBits))),
      adaptation_(2 * kPi * kNotchHz / tickRate_), transform_(&transform)
{
    reachBins_ = std::min(reachBins_, lookLength_ / 2 - kSideBins - 1);
    for (std::size_t m = 0; m < lookLength_; ++m)
        hann_[m] = 0.5 - 0.5 * std::cos(2 * kPi * static_cast<Real>(m) / static_cast<Real>(lookLength_ - 1));
}

bool SteadyCarrierNotch::atStationCentre(std::int64_t bin) const
{
    // A station sending a short pattern over and over (a run of one letter,
    // whose tones turn the phase back where it was) has a line of its own at
    // its centre, steady for as long as the pattern lasts. (A carrier on the
    // station's tones is told from the station by the detector, which then
    // reads one tone only and does not count as reading a station.)
    return std::abs(static_cast<Real>(bin) - stationHz_ / binHz_) <= kCentreBins;
}

bool SteadyCarrierNotch::fillsWindow(std::int64_t bin) const
{
    // Each half's amplitude at the bin's frequency, a plain sum: a tone in the
    // whole window gives both halves alike, a preamble coming in or going out
    // one half far more than the other.
    const Complex* w = history_.data() + write_;  // oldest first
    const std::size_t half = lookLength_ / 2;
    const Complex turn = unitPhasor(-2 * kPi * static_cast<Real>(bin) / static_cast<Real>(lookLength_));
    Complex phasor{1, 0};
    Complex older{}, newer{};
    for (std::size_t m = 0; m < lookLength_; ++m) {
        (m < half ? older : newer) += w[m * stride_] * phasor;
        phasor *= turn;
    }
    const Real a = std::abs(older), b = std::abs(newer);
    return std::min(a, b) >= kHalvesShare * std::max(a, b);
}

void SteadyCarrierNotch::look()
{
    const Complex* w = history_.data() + write_;  // oldest first
    for (std::size_t m = 0; m < lookLength_; ++m)
        in_[m] = w[m * stride_] * hann_[m];
    transform_->transform(in_.data(), out_.data());
    for (std::size_t k = 0; k < lookLength_; ++k)
        power_[k] = std::norm(out_[k]);
    const auto bin = [&](std::int64_t k) { return power_[static_cast<std::size_t>(k) & (lookLength_ - 1)]; };

    // The strongest bin within reach, and whether it stands out as a line.
    const auto reach = static_cast<std::int64_t>(reachBins_);
    std::int64_t best = 0;
    for (std::int64_t k = -reach; k <= reach; ++k)
        if (bin(k) > bin(best))
            best = k;
    // A carrier's line is narrow: three bins away it has fallen by far more than
    // any station's spectrum does (a station's is a bit rate wide).
    bool line = bin(best) > kLineRatio * std::max(bin(best - kSideBins), bin(best + kSideBins));

    if (engaged_) {
        // The estimate of the carrier's amplitude turns as fast as the notch's
        // frequency is off (a tenth of a bin is several tenths of a hertz at
        // 125 baud, where a 2 Hz notch would lag the carrier by a sixth of its
        // amplitude): the turn since the last look moves the frequency.
        const Real turn = std::arg(amplitude_ * std::conj(lookedAmplitude_));
        if (std::abs(lookedAmplitude_) > 0)
            carrierHz_ += kFrequencyGain * std::clamp(turn, -kMaxTurn, kMaxTurn) * tickRate_ / (2 * kPi * kHopBits * 16);
        lookedAmplitude_ = amplitude_;
        const auto notched = static_cast<std::int64_t>(std::lround(carrierHz_ / binHz_));
        // The notch takes the line out of the input's spectrum only as the
        // remainder; the input still holds it while the carrier is on.
        if (line && std::abs(best - notched) <= 1)
            missedHops_ = 0;
        else if (++missedHops_ >= releaseHops_)
            engaged_ = false;
        return;
    }
    if (line && ((stationRead_ && atStationCentre(best)) || !fillsWindow(best)))
        line = false;
    // A carrier as strong as the station can be hidden for a look or two: a
    // run of the station's own tone beside it fills the bins next to the line.
    // The candidate waits that long for it; only the looks that saw it count.
    const bool seen = line && candidateHops_ > 0 && std::abs(best - candidateBin_) <= 1;
    if (!seen && candidateHops_ > 0 && ++candidateMisses_ <= kCandidateMisses)
        return;
    candidateMisses_ = 0;
    if (!line) {
        candidateHops_ = 0;
        return;
    }
    if (seen)
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
    // The notch starts from the carrier as the window holds it, carried on to
    // the next sample, where its oscillator starts at phase 0; so it takes the
    // carrier off from the first sample rather than after settling.
    carrier_ = PhasorOscillator{};
    const Real radians = 2 * kPi * carrierHz_ / tickRate_;  // per sample
    Complex sum{};
    Real weight = 0;
    for (std::size_t m = 0; m < lookLength_; ++m) {
        const std::size_t n = m * stride_;
        sum += hann_[m] * w[n] * unitPhasor(-radians * (static_cast<Real>(n) - static_cast<Real>(kLength)));
        weight += hann_[m];
    }
    amplitude_ = sum / weight;
    lookedAmplitude_ = {};
    settlingLeft_ = kSettlingBits * 16;
}
