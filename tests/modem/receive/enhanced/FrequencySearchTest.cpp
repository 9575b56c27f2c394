// SPDX-License-Identifier: GPL-3.0-or-later
// The frequency search held by a detector that reads the station a tenth of a
// bit rate beside it.
#include "modem/receive/SpeedPlan.h"
#include "modem/receive/enhanced/FrequencySearch.h"

#include <gtest/gtest.h>

#include <random>

// At 500 baud the search covers +-50 Hz, a tenth of the bit rate, and its
// tracking reaches 0.05 R = 25 Hz a transform. After seconds of noise its
// estimate can rest near the end of the range, 44 Hz from where a station then
// starts: there the one-bit filters still take 1 - sinc^2(0.088) = 2.5 % less of
// each bit than on the station, so the detector reads it cleanly and holds the
// search, while the carrier loop, whose pull-in is a few hundredths of the bit
// rate, cannot follow the 0.55 rad a bit the offset turns, and reads garbage.
// The station's line then stands 44 Hz away, its slope rising all the way to
// the edge of the reach: the estimate must climb it, within a few transforms
// (8 bits each), though held. (Before, it stayed, and a whole over was lost.)
TEST(FrequencySearchTest, AHeldEstimateOnTheSlopeOfAStationsLineClimbsOntoIt)
{
    const SpeedPlan plan(8000.0, 8000.0);
    ASSERT_EQ(plan.bitRate, 500.0);
    const kissfft<Real> transform(plan.transformSize, false);
    FrequencySearch search(plan, transform);
    search.retune(-44.0);
    ASSERT_NEAR(search.offsetHz(), -44.0, 0.1);
    search.hold(true);
    // The station at the centre, Eb/N0 10 dB: per sample noise of power
    // 16 / 10 against a unit amplitude, 16 samples a bit.
    std::mt19937 generator(5);
    std::normal_distribution<Real> noise(0.0, std::sqrt(16.0 / 10.0 / 2.0));
    const Real step = kPi * plan.modulationIndex / SpeedPlan::kSamplesPerBit;
    Real phase = 0;
    for (int bit = 0; bit < 64; ++bit) {
        const Real turn = generator() & 1 ? -step : step;
        for (int s = 0; s < SpeedPlan::kSamplesPerBit; ++s) {
            search.step(unitPhasor(phase) + Complex(noise(generator), noise(generator)));
            phase += turn;
        }
    }
    EXPECT_NEAR(search.offsetHz(), 0.0, 3.0);  // Hz: 0.006 R
}
