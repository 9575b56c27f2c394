// SPDX-License-Identifier: GPL-3.0-or-later
#include "modem/receive/enhanced/NoiseBlanker.h"

#include <algorithm>
#include <cmath>

NoiseBlanker::NoiseBlanker(Real sampleRate)
    : blockLength_(std::max<std::size_t>(1, static_cast<std::size_t>(std::lround(kBlockSeconds * sampleRate)))),
      holdLength_(static_cast<std::size_t>(std::lround(kHoldSeconds * sampleRate)))
{
}

Real NoiseBlanker::step(Real x)
{
    const Real size = std::abs(x);
    const bool loud = usual_ > 0 && size > kThreshold * usual_;
    // Blanked samples still count towards the level: the median sets them aside.
    blockPeak_ = std::max(blockPeak_, size);
    if (++inBlock_ == blockLength_) {
        peaks_[nextBlock_] = blockPeak_;
        nextBlock_ = (nextBlock_ + 1) % kBlocks;
        filledBlocks_ = std::min(filledBlocks_ + 1, kBlocks);
        inBlock_ = 0;
        blockPeak_ = 0;
        if (++blocksSinceMedian_ == kBlocksPerMedian) {
            blocksSinceMedian_ = 0;
            takeMedian();
        }
    }
    if (loud)
        holdLeft_ = holdLength_ + 1;
    if (holdLeft_ == 0)
        return x;
    --holdLeft_;
    ++blanked_;
    return 0;
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
