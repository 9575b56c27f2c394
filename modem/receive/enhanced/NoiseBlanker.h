// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The noise blanker ahead of the enhanced chain: static crashes and ignition
// clicks are short and far stronger than anything on the band, so a sample whose
// size stands far above the band's usual level is not signal; it is set to 0, and
// so are the samples of a short hold after it (a burst rings on in the radio's
// filters). One burst then costs a millisecond of signal instead of swamping the
// frequency search's spectra and the detector for a bit or more.
//
// The usual level is the median, over the last 200 ms, of the largest size in
// each millisecond: a median is not moved by the bursts themselves however
// strong, and a millisecond's largest size is a steady signal's peak. It is
// taken afresh every 25 ms. One step per recorded sample; allocates nothing.

#include "modem/dsp/DspMath.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>

class NoiseBlanker {
public:
    static constexpr Real kBlockSeconds = 0.001;    // one size per block: its largest
    static constexpr std::size_t kBlocks = 200;     // the median's span: 200 ms
    static constexpr std::size_t kBlocksPerMedian = 25;  // taken afresh every 25 ms
    static constexpr Real kThreshold = 4.0;         // times the usual level
    static constexpr Real kHoldSeconds = 0.001;     // blanked after the last loud sample
    // A burst has died away within a few milliseconds (an ignition click or a
    // crash 30 dB over the band, falling by 1/e a millisecond, stands above the
    // threshold for 2 or 3). A rise that stays longer is the band's new level: a
    // strong station starting after the noise alone, or coming back from a deep
    // fade. Blanked until the median had caught up, a strong 500-baud station
    // lost its preamble and first word (some 120 ms); so after this many loud
    // blocks in a row the usual level is taken from them at once.
    static constexpr std::size_t kLongestBurstBlocks = 10;

    explicit NoiseBlanker(Real sampleRate);

    // The sample as the chain is to see it: x, or 0 while blanking.
    Real step(Real x)
    {
        const Real size = std::abs(x);
        // Blanked samples still count towards the level: the median sets them aside.
        blockPeak_ = std::max(blockPeak_, size);
        if (loud(size))
            holdLeft_ = holdLength_ + 1;
        if (++inBlock_ == blockLength_) {
            loudBlocks_ = loud(blockPeak_) ? loudBlocks_ + 1 : 0;
            peaks_[nextBlock_] = blockPeak_;
            nextBlock_ = (nextBlock_ + 1) % kBlocks;
            filledBlocks_ = std::min(filledBlocks_ + 1, kBlocks);
            inBlock_ = 0;
            if (loudBlocks_ == kLongestBurstBlocks)
                takeNewLevel();
            blockPeak_ = 0;
            if (++blocksSinceMedian_ == kBlocksPerMedian) {
                blocksSinceMedian_ = 0;
                takeMedian();
            }
        }
        if (holdLeft_ == 0)
            return x;
        --holdLeft_;
        ++blanked_;
        return 0;
    }

    std::uint64_t blanked() const { return blanked_; }  // samples set to 0 so far
    std::uint64_t newLevels() const { return newLevels_; }  // rises taken for the band's new level
    Real usualLevel() const { return usual_; }

private:
    // Above the threshold: a burst (never before the first median).
    bool loud(Real size) const { return usual_ > 0 && size > kThreshold * usual_; }
    void takeMedian();
    void takeNewLevel();

    std::size_t blockLength_;
    std::size_t holdLength_;
    std::array<Real, kBlocks> peaks_{};
    std::array<Real, kBlocks> sorted_{};
    std::size_t filledBlocks_ = 0;
    std::size_t nextBlock_ = 0;
    std::size_t blocksSinceMedian_ = 0;
    std::size_t inBlock_ = 0;
    Real blockPeak_ = 0;
    std::size_t loudBlocks_ = 0;  // in a row, above the threshold
    std::uint64_t newLevels_ = 0;
    Real usual_ = 0;         // 0 until the first median: nothing is blanked before
    std::size_t holdLeft_ = 0;
    std::uint64_t blanked_ = 0;
};
