// SPDX-License-Identifier: GPL-3.0-or-later
// The noise blanker on an exact signal: bursts and their hold are blanked,
// nothing else is touched.
#include "modem/receive/enhanced/NoiseBlanker.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace {

// A 1000 Hz tone of peak 1000 at 8000 samples a second: every millisecond's 8
// samples include the crest, so the usual level is 1000 and a sample beyond 4000
// is a burst. From 0.3 s on, bursts of 8 samples at +-20000 every 800 samples:
// each blanks its 8 samples and the 8 of the 1 ms hold after them, 16 in all;
// all else passes untouched.
TEST(NoiseBlankerTest, BlanksEachBurstAndItsHoldAndNothingElse)
{
    NoiseBlanker blanker(8000.0);
    constexpr int kSamples = 8000;
    constexpr int kFirstBurst = 2400;
    constexpr int kPeriod = 800;
    constexpr int kBurst = 8;
    int bursts = 0;
    for (int n = 0; n < kSamples; ++n) {
        const double tone = 1000 * std::sin(2 * std::numbers::pi * 1000 * n / 8000.0 + std::numbers::pi / 2);
        const bool inBurst = n >= kFirstBurst && (n - kFirstBurst) % kPeriod < kBurst;
        const double x = inBurst ? ((n % 2) ? 20000.0 : -20000.0) : tone;
        if (inBurst && (n - kFirstBurst) % kPeriod == 0)
            ++bursts;
        const bool inHold = n >= kFirstBurst && (n - kFirstBurst) % kPeriod >= kBurst && (n - kFirstBurst) % kPeriod < 2 * kBurst;
        const double out = blanker.step(x);
        if (inBurst || inHold)
            ASSERT_EQ(out, 0.0) << n;
        else
            ASSERT_EQ(out, x) << n;
    }
    EXPECT_EQ(blanker.usualLevel(), 1000.0);
    EXPECT_EQ(blanker.blanked(), static_cast<std::uint64_t>(bursts * 2 * kBurst));  // 7 bursts, 112 samples
    EXPECT_EQ(bursts, 7);
}

// The same tone at a peak of 1000 (the noise alone, as it were), and from 0.3 s
// a station at a peak of 20000 (26 dB up): a burst is over in a few milliseconds,
// so after 10 loud blocks (80 samples) the rise is taken for the band's new level.
// The first 79 samples are blanked, the 80th passes (the level taken with it),
// and so does all that follows; a burst of +-200000 after it is blanked as usual.
TEST(NoiseBlankerTest, ARiseThatStaysIsTheNewLevelAfterTheLongestBurst)
{
    NoiseBlanker blanker(8000.0);
    constexpr int kStart = 2400, kBurst = 6000, kSamples = 8000;
    for (int n = 0; n < kSamples; ++n) {
        const double peak = n < kStart ? 1000 : 20000;
        const double tone = peak * std::cos(2 * std::numbers::pi * 1000 * n / 8000.0);
        const bool inBurst = n >= kBurst && n < kBurst + 8;
        const double x = inBurst ? ((n % 2) ? 200000.0 : -200000.0) : tone;
        const double out = blanker.step(x);
        if ((n >= kStart && n < kStart + 79) || (n >= kBurst && n < kBurst + 16))
            ASSERT_EQ(out, 0.0) << n;
        else
            ASSERT_EQ(out, x) << n;
    }
    EXPECT_EQ(blanker.newLevels(), 1u);
    EXPECT_EQ(blanker.usualLevel(), 20000.0);
    EXPECT_EQ(blanker.blanked(), 79u + 16u);
}

}  // namespace
