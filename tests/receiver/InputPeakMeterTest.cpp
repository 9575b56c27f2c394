// SPDX-License-Identifier: GPL-3.0-or-later
// The input level: the largest magnitude since the last look, in dBFS.

#include "receiver/InputPeakMeter.h"

#include <gtest/gtest.h>

TEST(InputPeakMeter, ReadsThePeakOfEachWindowInDecibelsBelowFullScale)
{
    InputPeakMeter meter;
    EXPECT_EQ(meter.takePeakDbfs(), InputPeakMeter::kSilenceDbfs);
    for (std::int16_t x : {0, 100, -16384, 8000})
        meter.addSample(x);
    EXPECT_NEAR(meter.takePeakDbfs(), -6.0206, 1e-4);  // 20 log10(16384 / 32768)
    meter.addSample(0);
    EXPECT_EQ(meter.takePeakDbfs(), InputPeakMeter::kSilenceDbfs);  // a new window
    meter.addSample(-32768);
    EXPECT_EQ(meter.takePeakDbfs(), 0.0);
    meter.addSample(1);
    EXPECT_NEAR(meter.takePeakDbfs(), -90.309, 1e-3);  // 20 log10(1 / 32768)
}

TEST(InputPeakMeter, WarnsFromOneDecibelBelowFullScale)
{
    // 32768 * 10^(-1/20) = 29204.6: 29205 is at -0.99999 dBFS, 29204 at -1.00018.
    InputPeakMeter meter;
    meter.addSample(29205);
    EXPECT_TRUE(InputPeakMeter::isClipping(meter.takePeakDbfs()));
    meter.addSample(-29204);
    EXPECT_FALSE(InputPeakMeter::isClipping(meter.takePeakDbfs()));
}
