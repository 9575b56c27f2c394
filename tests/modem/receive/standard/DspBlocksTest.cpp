// SPDX-License-Identifier: GPL-3.0-or-later
#include "modem/dsp/DspMath.h"
#include "modem/dsp/FirFilter.h"
#include "modem/dsp/LocalOscillator.h"
#include "modem/receive/standard/EarlyLateGate.h"
#include "modem/receive/standard/LowPassCoefficients.h"
#include "modem/receive/standard/PhaseDiscriminator.h"
#include "modem/receive/standard/TickClock.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numeric>

namespace {

IqSample atAngle(double turnsOfPi) { return {std::cos(turnsOfPi * kPi), std::sin(turnsOfPi * kPi)}; }

TEST(FracTest, DropsTheWholePartKeepingTheSign)
{
    EXPECT_DOUBLE_EQ(frac(2.75), 0.75);
    EXPECT_DOUBLE_EQ(frac(-0.25), -0.25);
    EXPECT_DOUBLE_EQ(frac(-1.5), -0.5);
    EXPECT_EQ(frac(1.0), 0.0);
}

TEST(FirFilterTest, FirstCoefficientWeightsTheOldestSample)
{
    FirFilter<3> filter({1.0, 2.0, 3.0});
    filter.push({1.0, -1.0});  // an impulse; the newest sample meets c[2]
    EXPECT_EQ(filter.output().i, 3.0);
    EXPECT_EQ(filter.output().q, -3.0);
    filter.push({});
    EXPECT_EQ(filter.output().i, 2.0);
    filter.push({});
    EXPECT_EQ(filter.output().i, 1.0);  // now the oldest
    filter.push({});
    EXPECT_EQ(filter.output().i, 0.0);
}

TEST(FirFilterTest, StoredWindowWrapsAround)
{
    // 10 pushes through a 3-tap ring: the output is 1 x[7] + 10 x[8] + 100 x[9].
    FirFilter<3> filter({1.0, 10.0, 100.0});
    for (int n = 0; n < 10; ++n)
        filter.push({static_cast<double>(n), 0.0});
    EXPECT_EQ(filter.output().i, 7.0 + 80.0 + 900.0);
}

TEST(LowPassCoefficientsTest, TablesAreSymmetricWithTheirDcGains)
{
    for (std::size_t k = 0; k < kStage1Taps; ++k)
        EXPECT_EQ(kStage1Coefficients[k], kStage1Coefficients[24 - k]);
    for (std::size_t k = 0; k < kStage2Taps; ++k)
        EXPECT_EQ(kStage2Coefficients[k], kStage2Coefficients[85 - k]);
    EXPECT_EQ(kStage1Coefficients[0], 0.001563808);
    EXPECT_EQ(kStage1Coefficients[12], 0.08626707);
    EXPECT_EQ(kStage2Coefficients[0], -0.0008052769);
    EXPECT_EQ(kStage2Coefficients[42], 0.08900242);
    EXPECT_EQ(kStage2Coefficients[43], 0.08900242);
    // The sum of the taps is the gain at zero frequency.
    EXPECT_NEAR(std::accumulate(kStage1Coefficients.begin(), kStage1Coefficients.end(), 0.0), 1.004163364, 1e-9);
    EXPECT_NEAR(std::accumulate(kStage2Coefficients.begin(), kStage2Coefficients.end(), 0.0), 1.0120765696, 1e-9);
}

TEST(LocalOscillatorTest, PhaseStaysInOneCycle)
{
    LocalOscillator lo;
    const IqSample first = lo.step(0.25);  // the new phase is used: a quarter cycle
    EXPECT_NEAR(first.i, 0.0, 1e-15);
    EXPECT_NEAR(first.q, 1.0, 1e-15);
    for (int n = 0; n < 7; ++n)
        lo.step(0.125);
    EXPECT_DOUBLE_EQ(lo.phase(), 0.125);  // 0.25 + 7/8 = 1.125 -> 0.125
    for (int n = 0; n < 800000; ++n)
        lo.step(1000.0 / 8000.0);
    EXPECT_GE(lo.phase(), 0.0);
    EXPECT_LT(lo.phase(), 1.0);
}

TEST(TickClockTest, TicksOnlyStrictlyAboveOnePeriod)
{
    TickClock clock;
    EXPECT_FALSE(clock.step(0.5));
    EXPECT_FALSE(clock.step(0.5));  // exactly 1.0: no tick
    EXPECT_TRUE(clock.step(0.5));   // 1.5
    EXPECT_DOUBLE_EQ(clock.phase(), 0.5);

    // At one tick period per sample the phase holds whole numbers and ticks
    // only on every second sample.
    TickClock fast;
    for (int n = 0; n < 10; ++n)
        EXPECT_EQ(fast.step(1.0), n % 2 == 1) << n;
    // Once a correction leaves a fraction, every sample ticks.
    fast.correct(0.3);
    for (int n = 0; n < 10; ++n)
        EXPECT_TRUE(fast.step(1.0)) << n;
}

TEST(TickClockTest, CorrectionsAreAddedWithoutLimit)
{
    TickClock clock;
    clock.correct(2.5);  // 2.5 periods owed: ticks on the next samples until caught up
    EXPECT_TRUE(clock.step(0.0625));  // 2.5625: one period dropped, 1.5625 still owed
    EXPECT_DOUBLE_EQ(clock.phase(), 1.5625);
    EXPECT_TRUE(clock.step(0.0625));  // 1.625: the whole part dropped
    EXPECT_DOUBLE_EQ(clock.phase(), 0.625);
    EXPECT_FALSE(clock.step(0.0625));

    clock.correct(-1.6875);  // -1.0: the next tick is 2 periods away
    int samples = 0;
    while (!clock.step(0.0625))
        ++samples;
    EXPECT_EQ(samples, 32);  // 33 steps of 1/16 bring -1 above 1
}

TEST(TickClockTest, AdvanceIsKeptWhenEverySampleTicks)
{
    // 500 baud at 8000 samples per second. Without keeping the owed period, the
    // +0.8 here would be dropped and the -0.5 after it would delay a tick.
    TickClock clock;
    clock.correct(0.5);
    EXPECT_TRUE(clock.step(1.0));
    clock.correct(0.8);  // 1.3: one period owed beyond the next tick
    EXPECT_TRUE(clock.step(1.0));
    EXPECT_DOUBLE_EQ(clock.phase(), 1.3);
    clock.correct(-0.5);  // takes back part of the advance, delays nothing
    for (int n = 0; n < 5; ++n)
        EXPECT_TRUE(clock.step(1.0)) << n;
    EXPECT_DOUBLE_EQ(clock.phase(), 0.8);
}

TEST(PhaseDiscriminatorTest, DifferenceSpansThreeOutputsAndWraps)
{
    PhaseDiscriminator disc;
    EXPECT_NEAR(disc.step(atAngle(0.9)), 0.9, 1e-12);  // the history starts at 0
    EXPECT_NEAR(disc.step(atAngle(0.0)), 0.0, 1e-12);
    EXPECT_NEAR(disc.step(atAngle(0.0)), 0.0, 1e-12);
    // -0.9 - 0.9 = -1.8, wrapped to +0.2: the phase went on turning forward.
    EXPECT_NEAR(disc.step(atAngle(-0.9)), 0.2, 1e-12);
    EXPECT_NEAR(disc.step(atAngle(0.0)), 0.0, 1e-12);
    EXPECT_NEAR(disc.step(atAngle(0.0)), 0.0, 1e-12);
    // and the other way: 0.9 - (-0.9) = 1.8 -> -0.2
    EXPECT_NEAR(disc.step(atAngle(0.9)), -0.2, 1e-12);
}

TEST(PhaseDiscriminatorTest, SilenceReadsAsNoTurning)
{
    PhaseDiscriminator disc;
    for (int n = 0; n < 6; ++n)
        EXPECT_EQ(disc.step({0.0, 0.0}), 0.0);
}

TEST(EarlyLateGateTest, EarlyMinusLateEnergy)
{
    EarlyLateGate gate;
    EXPECT_EQ(gate.error(), 0.0);
    gate.early(0.5);
    gate.late(0.25);
    EXPECT_DOUBLE_EQ(gate.error(), 0.25 - 0.0625);
    gate.early(-0.5);  // a new bit starts afresh
    EXPECT_DOUBLE_EQ(gate.error(), 0.25);
}

}  // namespace
