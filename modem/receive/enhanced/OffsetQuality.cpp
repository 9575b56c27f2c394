// SPDX-License-Identifier: GPL-3.0-or-later
#include "modem/receive/enhanced/OffsetQuality.h"

#include <algorithm>
#include <cmath>

OffsetQuality::OffsetQuality(Real bitRate, Real modulationIndex)
    : tickRate_(kSamplesPerBit * bitRate),
      bandBins_(kBandBits * static_cast<Real>(kWindow) / kSamplesPerBit),  // a bin is R / 16
      innerBins_(kLobeBits * static_cast<Real>(kWindow) / kSamplesPerBit),
      transform_(kWindow, false)
{
    // As the detector's matched filters: a 0 bit turns the phase forward by
    // h pi over the bit, a 1 bit backward; each filter turns its ramp back.
    const Real perSample = kPi * modulationIndex / kSamplesPerBit;
    for (int s = 0; s < kSamplesPerBit; ++s) {
        zeroRamp_[static_cast<std::size_t>(s)] = unitPhasor(-perSample * s);
        oneRamp_[static_cast<std::size_t>(s)] = unitPhasor(perSample * s);
    }
    zeroBack_ = unitPhasor(perSample);
    oneBack_ = unitPhasor(-perSample);
}

OffsetQuality::Reading OffsetQuality::at(Real offsetHz)
{
    // The span, oldest first, turned back by the offset.
    const Complex* w = history_.data() + write_;
    const Complex turn = unitPhasor(-2 * kPi * offsetHz / tickRate_);
    Complex phasor{1, 0};
    for (std::size_t n = 0; n < kSpan; ++n) {
        turned_[n] = w[n] * phasor;
        phasor *= turn;
    }

    // Both matched filters ending at every sample from the first whole bit on,
    // as sliding sums: c[n] = back * (c[n-1] - z[n-16]) + z[n] * ramp[15].
    constexpr std::size_t kLast = kSamplesPerBit - 1;
    Complex zero{}, one{};
    for (std::size_t s = 0; s < kSamplesPerBit; ++s) {
        zero += turned_[s] * zeroRamp_[s];
        one += turned_[s] * oneRamp_[s];
    }
    zeroEnergy_[kLast] = std::norm(zero);
    oneEnergy_[kLast] = std::norm(one);
    for (std::size_t n = kSamplesPerBit; n < kSpan; ++n) {
        const Complex leaving = turned_[n - kSamplesPerBit];
        zero = zeroBack_ * (zero - leaving) + turned_[n] * zeroRamp_[kLast];
        one = oneBack_ * (one - leaving) + turned_[n] * oneRamp_[kLast];
        zeroEnergy_[n] = std::norm(zero);
        oneEnergy_[n] = std::norm(one);
    }

    // At each timing phase p, the 16 bits ending at kSpan - 1 - p - 16 k.
    Reading best;
    Real bestMean = -1;
    for (std::size_t p = 0; p < kSamplesPerBit; ++p) {
        int ones = 0;
        for (std::size_t k = 0; k < kBits; ++k) {
            const std::size_t end = kSpan - 1 - p - kSamplesPerBit * k;
            bitEnergy_[k] = std::max(zeroEnergy_[end], oneEnergy_[end]);
            ones += oneEnergy_[end] > zeroEnergy_[end] ? 1 : 0;
        }
        constexpr std::size_t kHalf = kBits / 2;
        std::nth_element(bitEnergy_.begin(), bitEnergy_.begin() + kHalf, bitEnergy_.end());
        Real sum = 0;
        for (std::size_t k = 0; k < kHalf; ++k)
            sum += bitEnergy_[k];
        if (sum > bestMean) {
            bestMean = sum;
            best.onesShare = static_cast<Real>(ones) / kBits;
        }
    }
    bestMean /= kBits / 2;

    // The floor: the power within 1.5 R of the offset over the newest 256 samples
    // (by Parseval, the band's bins' energy over N^2 is its mean power). A
    // station's spectrum is even about its centre, and so is noise's; a
    // neighbour a little more than a bit rate away fills the band's outer part
    // on one side only, and at +6 dB would hold the reading of the station
    // itself down to noise's. Where one outer part holds far more than the
    // other, and the main lobe far more than the weaker one (a station there,
    // not noise beside a station), the weaker, doubled, stands for both.
    // Whatever lies within a main lobe of the offset counts in full: a
    // neighbour that close is read, not bordered.
    transform_.transform(turned_.data() + (kSpan - kWindow), spectrum_.data());
    const auto reach = static_cast<std::size_t>(bandBins_);
    const auto inner = static_cast<std::size_t>(innerBins_);
    Real lobe = std::norm(spectrum_[0]);
    Real upper = 0;
    Real lower = 0;
    for (std::size_t k = 1; k <= reach; ++k) {
        if (k <= inner) {
            lobe += std::norm(spectrum_[k]) + std::norm(spectrum_[kWindow - k]);
        } else {
            upper += std::norm(spectrum_[k]);
            lower += std::norm(spectrum_[kWindow - k]);
        }
    }
    const Real weaker = std::min(upper, lower);
    const bool lopsided = std::max(upper, lower) > kLopsidedBand * weaker && lobe > kLobeOverSide * weaker;
    const Real band = lobe + (lopsided ? 2 * weaker : upper + lower);
    const Real power = band / (static_cast<Real>(kWindow) * static_cast<Real>(kWindow));
    best.energy = bestMean;
    best.quality = power > 0 ? bestMean / (kSamplesPerBit * power) : 0;
    return best;
}
