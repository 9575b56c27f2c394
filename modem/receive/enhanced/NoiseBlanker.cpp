// SPDX-License-Identifier: GPL-3.0-or-later
#include "modem/receive/enhanced/NoiseBlanker.h"

#include <algorithm>
#include <cmath>

NoiseBlanker::NoiseBlanker(Real sampleRate)
    : blockLength_(std::max<std::size_t>(1, static_cast<std::size_t>(std::lround(kBlockSeconds * sampleRate)))),
      holdLength_(static_cast<std::size_t>(std::lround(kHoldSeconds * sampleRate)))
{
}

void NoiseBlanker::takeMedian()
{
    // Only once the span is full: a median of a few blocks is not yet the band's.
    if (filledBlocks_ < kBlocks)
        return;
    std::copy(peaks_.begin(), peaks_.end(), sorted_.begin());
    auto middle = sorted_.begin() + kBlocks / 2;
    std::nth_element(sorted_.begin(), middle, sorted_.end());
    usual_ = *middle;
}

void NoiseBlanker::takeNewLevel()
{
    // The whole span is taken to have been at the new level (the quietest of the
    // loud blocks, which the median of the span then is), and blanking stops.
    Real level = blockPeak_;  // the newest, just stored
    for (std::size_t k = 2; k <= kLongestBurstBlocks; ++k)
        level = std::min(level, peaks_[(nextBlock_ + kBlocks - k) % kBlocks]);
    peaks_.fill(level);
    filledBlocks_ = kBlocks;
    usual_ = level;
    loudBlocks_ = 0;
    holdLeft_ = 0;
    ++newLevels_;
}
