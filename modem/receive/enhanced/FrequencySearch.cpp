// SPDX-License-Identifier: GPL-3.0-or-later
#include "modem/receive/enhanced/FrequencySearch.h"

#include <algorithm>
#include <cmath>

FrequencySearch::FrequencySearch(const SpeedPlan& plan, const kissfft<Real>& transform)
    : bitRate_(plan.bitRate), twoToneOffsets_(2 * plan.toneOffsetHz),
      binHz_(plan.tickRate / static_cast<Real>(plan.squareDecimation * plan.transformSize)),
      gridStep_(plan.bitRate / static_cast<Real>(kGridPerBit)), squareDecimation_(plan.squareDecimation),
      window_(plan.searchWindow),
      hop_(plan.searchHopBits * SpeedPlan::kSamplesPerBit / plan.squareDecimation),
      size_(plan.transformSize),
      forgetting_(std::pow(kForgetting, static_cast<Real>(plan.searchHopBits) / SpeedPlan::kSearchHopBits)),
      recentForgetting_(std::pow(kRecentForgetting, static_cast<Real>(plan.searchHopBits) / SpeedPlan::kSearchHopBits)),
      transform_(&transform), preFilter_(plan.preFilter)
{
    for (std::size_t n = 0; n < window_; ++n)
        hann_[n] = 0.5 - 0.5 * std::cos(2 * kPi * static_cast<Real>(n) / static_cast<Real>(window_ - 1));
    gridCount_ = std::min(kMaxGrid, static_cast<std::size_t>(std::floor(2 * plan.searchRangeHz / gridStep_)) + 1);
    gridStart_ = -gridStep_ * static_cast<Real>(gridCount_ - 1) / 2;
    lagTransforms_ = 1 / (1 - forgetting_) + 0.5 * static_cast<Real>(SpeedPlan::kSearchWindowBits) / static_cast<Real>(plan.searchHopBits);
}

void FrequencySearch::step(Complex decimated)
{
    preFilter_.push(decimated);
    if (++phase_ < squareDecimation_)
        return;
    phase_ = 0;
    const Complex z = preFilter_.output();
    squared_[write_] = squared_[write_ + window_] = z * z;
    write_ = write_ + 1 == window_ ? 0 : write_ + 1;
    if (filled_ < window_) {
        ++filled_;
        if (filled_ < window_)
            return;
        sinceSearch_ = hop_;  // the first full window is searched at once
    }
    if (++sinceSearch_ < hop_)
        return;
    sinceSearch_ = 0;
    search();
}

Real FrequencySearch::spectrumAt(const Real* spectrum, Real hz) const
{
    // Linear interpolation between bins; negative frequencies wrap to the top half.
    // The size is a power of two, so the wrap is a mask.
    const Real x = hz / binHz_;
    const Real i = std::floor(x);
    const Real mu = x - i;
    const std::size_t mask = size_ - 1;
    const auto k = static_cast<std::size_t>(static_cast<std::int64_t>(i)) & mask;
    return spectrum[k] * (1 - mu) + spectrum[(k + 1) & mask] * mu;
}

Real FrequencySearch::score(const Real* spectrum, Real offset, bool strict) const
{
    const Real lower = spectrumAt(spectrum, 2 * offset - bitRate_ / 2);
    const Real upper = spectrumAt(spectrum, 2 * offset + bitRate_ / 2);
    Real pair = lower + upper;
    if (strict && std::min(lower, upper) < kLopsidedRatio * std::max(lower, upper))
        pair = 2 * std::min(lower, upper);
    return std::max(pair, kPreambleWeight * spectrumAt(spectrum, 2 * offset - twoToneOffsets_));
}

FrequencySearch::Peak FrequencySearch::peak(std::size_t from, std::size_t to) const
{
    std::size_t best = from;
    for (std::size_t i = from; i < to; ++i)
        if (scores_[i] > scores_[best])
            best = i;
    Peak p{gridStart_ + gridStep_ * static_cast<Real>(best), scores_[best]};
    if (best > from && best + 1 < to) {
        // A parabola through the peak and its neighbours.
        const Real a = scores_[best - 1];
        const Real b = scores_[best];
        const Real c = scores_[best + 1];
        const Real den = a - 2 * b + c;
        if (den < 0)
            p.offset += 0.5 * (a - c) / den * gridStep_;
    }
    return p;
}

void FrequencySearch::search()
{
    // The last window of the squared signal, oldest first, Hann-weighted, zero-padded.
    const Complex* w = squared_.data() + write_;
    for (std::size_t n = 0; n < window_; ++n)
        in_[n] = w[n] * hann_[n];
    std::fill(in_.begin() + static_cast<std::ptrdiff_t>(window_), in_.begin() + static_cast<std::ptrdiff_t>(size_), Complex{});
    transform_->transform(in_.data(), out_.data());
    Real total = 0;
    Real recentTotal = 0;
    const bool first = transforms_ == 0;
    for (std::size_t k = 0; k < size_; ++k) {
        const Real p = std::norm(out_[k]);
        spectrum_[k] = first ? p : forgetting_ * spectrum_[k] + p;
        recent_[k] = first ? p : recentForgetting_ * recent_[k] + p;
        total += spectrum_[k];
        recentTotal += recent_[k];
    }
    ++transforms_;

    for (std::size_t i = 0; i < gridCount_; ++i)
        scores_[i] = score(spectrum_.data(), gridStart_ + gridStep_ * static_cast<Real>(i), false);
    const Peak best = peak(0, gridCount_);
    const Real floor = total / static_cast<Real>(size_);
    lineToFloor_ = floor > 0 ? best.score / floor : 0;

    if (!held_ && best.score > kJumpRatio * score(spectrum_.data(), offset_, true) &&
        std::abs(best.offset - offset_) > kMinJumpBits * bitRate_) {
        offset_ = best.offset;
        trend_ = 0;
        ++jumps_;
    } else {
        const Real before = offset_;
        track();
        const Real move = offset_ - before;
        trend_ = std::abs(move) > kMinJumpBits * bitRate_ ? 0 : kTrendMemory * trend_ + (1 - kTrendMemory) * move;
    }
    // The lines against the floor are a ratio, and so blind to a signal that simply
    // stops: a muted input or a paused recording leaves both decaying together.
    // Once the recent spectrum has fallen far below the long one, nothing is there.
    const Real recentFloor = recentTotal / static_cast<Real>(size_);
    const bool silent = recentFloor <= kSilentBelowAverage * floor;
    presence_ = recentFloor > 0 && !silent ? score(recent_.data(), offset_, false) / recentFloor : 0;
}

void FrequencySearch::restart()
{
    transforms_ = 0;
    offset_ = 0;
    trend_ = 0;
    ++jumps_;
}

void FrequencySearch::retune(Real shiftHz)
{
    const Real shifted = offset_ + shiftHz;
    restart();
    // The window still holds the signal as mixed at the old centre, whose lines
    // stand where the station no longer is: it starts empty.
    std::fill(squared_.begin(), squared_.end(), Complex{});
    const Real lowest = gridStart_;
    const Real highest = gridStart_ + gridStep_ * static_cast<Real>(gridCount_ - 1);
    offset_ = std::clamp(shifted, lowest, highest);
}

Real FrequencySearch::follow(Real shiftHz)
{
    // Squaring doubles the shift: a whole number of bins there.
    const auto bins = static_cast<std::int64_t>(std::lround(2 * shiftHz / binHz_));
    const Real shift = static_cast<Real>(bins) * binHz_ / 2;
    // What the window holds was mixed at the old frequency: turned as if mixed at
    // the new one, phase-continuous at the newest sample (age a squared samples
    // back turns by +2 pi 2 shift a / rate).
    const Real squaredRate = binHz_ * static_cast<Real>(size_);
    for (std::size_t j = 0; j < window_; ++j) {
        const std::size_t age = (write_ + window_ - 1 - j) % window_;
        const Complex turn = unitPhasor(2 * kPi * 2 * shift * static_cast<Real>(age) / squaredRate);
        squared_[j] *= turn;
        squared_[j + window_] *= turn;
    }
    // The averaged spectra: every line `bins` lower.
    const std::size_t k = static_cast<std::size_t>(((bins % static_cast<std::int64_t>(size_)) + static_cast<std::int64_t>(size_)) %
                                                    static_cast<std::int64_t>(size_));
    std::rotate(spectrum_.begin(), spectrum_.begin() + static_cast<std::ptrdiff_t>(k),
                spectrum_.begin() + static_cast<std::ptrdiff_t>(size_));
    std::rotate(recent_.begin(), recent_.begin() + static_cast<std::ptrdiff_t>(k), recent_.begin() + static_cast<std::ptrdiff_t>(size_));
    offset_ -= shift;
    return shift;
}

void FrequencySearch::track()
{
    // Tracking: the local peak within reach of the current estimate.
    const Real reach = kTrackSpanBits * bitRate_;
    const auto lo = static_cast<std::size_t>(std::max<Real>(0, std::ceil((offset_ - reach - gridStart_) / gridStep_)));
    const auto hi = std::min(gridCount_, static_cast<std::size_t>(std::max<Real>(0, std::floor((offset_ + reach - gridStart_) / gridStep_) + 1)));
    if (hi >= lo + 3)
        offset_ = peak(lo, hi).offset;
}
