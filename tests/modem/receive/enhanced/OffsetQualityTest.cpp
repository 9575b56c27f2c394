// SPDX-License-Identifier: GPL-3.0-or-later
// The reading the frequency search asks of the matched filters before it moves:
// a station at its own offset, the same station half a bit rate off, and noise.
#include "modem/receive/enhanced/OffsetQuality.h"

#include <gtest/gtest.h>

#include <random>

namespace {

// Exact MSK at 16 samples a bit (h = 0.5), unit amplitude, random bits, turned
// up by offsetBits * R.
void feedStation(OffsetQuality& q, Real offsetBits, int bits)
{
    std::mt19937 generator(7);
    Real phase = 0;
    for (int k = 0; k < bits; ++k) {
        const Real step = (generator() & 1 ? -1 : 1) * kPi / 2 / 16;  // a 1 bit turns backward
        for (int s = 0; s < 16; ++s) {
            q.step(unitPhasor(phase));
            phase += step + 2 * kPi * offsetBits / 16;
        }
    }
}

}  // namespace

// At its own offset every bit lands whole in one filter: |c|^2 = 16^2 against
// 16 times a mean power of 1, a reading of 16. Half a bit rate off, each 0 bit
// lands whole in the 1 filter and each 1 bit half a bit rate from it, where a
// one-bit filter keeps sinc^2(0.5) = 0.405 of it at the bit's own timing (more
// at the best timing phase, which lets it share a neighbouring bit's energy):
// the weaker half reads well below 16, and nearly every bit as a 1 (which the
// search weights down).
// Noise alone puts the larger of two filters' noise energies, about 1.5 x 16 x
// the noise in one bin's worth of band, against 16 x the band's power 3 R wide:
// about 3 to 5, never a station's reading.
TEST(OffsetQualityTest, ReadsAStationOnlyAtItsOwnOffset)
{
    constexpr Real kBitRate = 31.25;
    {
        OffsetQuality q(kBitRate, 0.5);
        feedStation(q, 0, 40);
        ASSERT_TRUE(q.ready());
        const OffsetQuality::Reading own = q.at(0);
        EXPECT_NEAR(own.quality, 16.0, 0.3);
        EXPECT_GT(own.onesShare, 0.2);
        EXPECT_LT(own.onesShare, 0.85);
        const OffsetQuality::Reading beside = q.at(kBitRate / 2);
        EXPECT_GT(beside.quality, 0.405 * 16);
        EXPECT_LT(beside.quality, 0.75 * 16);
        EXPECT_GE(beside.onesShare, 0.85);
        // A station 0.3 R off still fills the filters: this reading cannot
        // place a station finely, only tell it from what lies beside it.
        EXPECT_GT(q.at(0.3 * kBitRate).quality, 10.0);
    }
    {
        OffsetQuality q(kBitRate, 0.5);
        std::mt19937 generator(3);
        std::normal_distribution<Real> noise(0.0, 1.0);
        for (int n = 0; n < 40 * 16; ++n)
            q.step({noise(generator), noise(generator)});
        const Real quality = q.at(0).quality;
        EXPECT_GT(quality, 2.0);
        EXPECT_LT(quality, 5.5);
    }
}
