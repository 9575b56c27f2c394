// SPDX-License-Identifier: GPL-3.0-or-later
#include "modem/receive/ReceiveChain.h"
#include "modem/receive/standard/MskDemodulator.h"
#include "tests/modem/receive/ReceiveSignals.h"
#ifndef MSK_CORE_ONLY
#include "receiver/SignalDisplay.h"
#endif

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

using rxtest::tone;

#ifdef MSK_CORE_ONLY
// The core-only build (the Windows cross build) has neither libsamplerate, which
// brings a transmission from the encoder's 32000 to 8000 samples per second, nor Qt.
constexpr const char* kNeedsResampler =
    "needs a transmission through libsamplerate, which this build lacks (no Windows package in Debian)";
constexpr const char* kNeedsQt = "needs Qt's QImage for the scope, which this build lacks (no Windows package in Debian)";
#endif

// The filters are full after 12 samples and 86 ticks (5 3/8 bits), the phase
// history three outputs later; the onset of a tone also jolts the timing loop for
// a few bits. Compare only from the 12th bit on.
constexpr std::size_t kSettledBits = 12;
constexpr std::size_t kSettledPoints = 4 * kSettledBits;

struct Recorder : BitDecisionSink, PhasePointSink {
    std::vector<double> decisions;
    std::vector<int> ticks;
    std::vector<double> points;
    void DecideBit(Real d) override { decisions.push_back(d); }
    void PlotPhasePoint(int n, Real d) override
    {
        // Every point comes after the decision of its stage-2 output.
        if (n == 8 && !std::isnan(d)) {
            EXPECT_EQ(decisions.back(), d);
        }
        ticks.push_back(n);
        points.push_back(d);
    }
};

struct DemodulatorTest : ::testing::Test {
    ReceiverSettings settings;
    Recorder out;
    MskDemodulator demodulator{settings, out, &out};

    void feed(const std::vector<std::int16_t>& x)
    {
        for (std::int16_t s : x)
            demodulator.DemodulateSample(s);
    }
};

// A tone a quarter of the bit rate off the centre turns the baseband phase by
// 2 pi x 7.8125 Hz x 24 ms = 0.375 pi over the 12 ticks of the difference.
TEST_F(DemodulatorTest, ToneBelowTheCentreGivesOnes)
{
    feed(tone(1000.0 - 7.8125, 256 * 40));
    // Ticks at samples 16, 32, ...; tick k has counter k mod 16, so the decisions
    // are ticks 8, 24, ..., 632 (sample 10112): 40 of them.
    ASSERT_EQ(out.decisions.size(), 40u);
    // Filled after 12 samples, 86 ticks and 3 outputs: about 6 bits.
    for (std::size_t k = kSettledPoints; k < out.points.size(); ++k)
        EXPECT_NEAR(out.points[k], 0.375, 1e-3) << k;
    for (std::size_t k = kSettledBits; k < out.decisions.size(); ++k)
        EXPECT_GT(out.decisions[k], 0.0) << k;
}

TEST_F(DemodulatorTest, ToneAboveTheCentreGivesZeros)
{
    feed(tone(1000.0 + 7.8125, 256 * 40));
    for (std::size_t k = kSettledPoints; k < out.points.size(); ++k)
        EXPECT_NEAR(out.points[k], -0.375, 1e-3) << k;
    for (std::size_t k = kSettledBits; k < out.decisions.size(); ++k)
        EXPECT_LT(out.decisions[k], 0.0) << k;
}

TEST_F(DemodulatorTest, PointsComeFourTimesPerBitInTickOrder)
{
    feed(tone(1000.0, 256 * 10));
    ASSERT_GE(out.ticks.size(), 8u);
    EXPECT_EQ(out.ticks[0], 4);  // the counter starts at 0 and steps before it is tested
    for (std::size_t k = 1; k < out.ticks.size(); ++k)
        EXPECT_EQ(out.ticks[k], (out.ticks[k - 1] + 4) % 16);
}

TEST_F(DemodulatorTest, LargeOffsetWraps)
{
    // 200 Hz below the centre at 250 bit/s: d = 1.5 x 200 / 250 = 1.2, which is the
    // same turn as 1.2 - 2 = -0.8. The tone lies on the filters' slope, so with the
    // timing loop closed its ripple would move the clock; open it to see d alone.
    settings.tickRate = 4000.0;
    settings.timingGain = 0.0f;
    feed(tone(800.0, 32 * 30));
    for (std::size_t k = kSettledPoints; k < out.points.size(); ++k)
        EXPECT_NEAR(out.points[k], -0.8, 1e-4) << k;
}

TEST_F(DemodulatorTest, SilenceGivesZeroDecisionsAtFixedSamples)
{
    feed(std::vector<std::int16_t>(256 * 20, 0));
    ASSERT_EQ(out.decisions.size(), 20u);  // ticks 8, 24, ..., 312 of 319
    for (double d : out.points)
        EXPECT_EQ(d, 0.0);
    EXPECT_EQ(demodulator.timingError(), 0.0);
    // With nothing to correct the clock never moves: the tick at sample 5104 left
    // 0.0625, the 15 samples after it add 0.9375, exactly 1.0 and not yet a tick.
    EXPECT_EQ(demodulator.tickPhase(), 1.0);
}

TEST_F(DemodulatorTest, CentreFrequencySettingMovesTheOscillator)
{
    settings.centreFrequency = 1500.0;
    feed(tone(1500.0 - 7.8125, 256 * 30));
    for (std::size_t k = kSettledPoints; k < out.points.size(); ++k)
        EXPECT_NEAR(out.points[k], 0.375, 1e-3) << k;
}

TEST_F(DemodulatorTest, AssumedSampleRateScalesTheArithmetic)
{
    // A card that really records 8000 while the arithmetic assumes 8100: the
    // oscillator sits at 1000 x 8000 / 8100 = 987.65 Hz in real time, a tone there
    // reads as on the centre.
    settings.sampleRate = 8100;
    feed(tone(1000.0 * 8000.0 / 8100.0, 256 * 30));
    for (std::size_t k = kSettledPoints; k < out.points.size(); ++k)
        EXPECT_NEAR(out.points[k], 0.0, 1e-3) << k;
}

// 500 baud at 8000 samples per second: one tick period per sample.
TEST_F(DemodulatorTest, FastestSpeedTicksEverySecondSampleUntilACorrection)
{
    settings.tickRate = 8000.0;
    feed(std::vector<std::int16_t>(1600, 0));
    EXPECT_EQ(out.ticks.size(), 1600u / 2 / 4);  // a tick per two samples, a point per 4 ticks
    EXPECT_EQ(demodulator.tickPhase(), 0.0);
#ifdef MSK_CORE_ONLY
    GTEST_SKIP() << kNeedsResampler;
#else

    // A signal with bit changes gives non-zero corrections; from then on every
    // sample ticks, a negative correction only delaying one.
    const auto signal = rxtest::transmission("the quick brown fox", rxtest::kSpeeds[4]);
    feed(signal);
    EXPECT_NE(demodulator.tickPhase(), std::trunc(demodulator.tickPhase()));
    const std::size_t before = out.ticks.size();
    feed(std::vector<std::int16_t>(1600, 0));
    EXPECT_LE(out.ticks.size() - before, 1600u / 4);
    EXPECT_GE(out.ticks.size() - before, 1600u / 4 - 10);
#endif
}

TEST_F(DemodulatorTest, NonsenseSettingsNeitherCrashNorDecideOnes)
{
    settings.sampleRate = 0;
    feed(tone(1000.0, 4000));
    settings.sampleRate = -8000;
    settings.centreFrequency = -1000.0;
    feed(tone(1000.0, 4000));
    for (double d : out.decisions)
        EXPECT_FALSE(d > 0.0);
}

TEST(DemodulatorChainTest, SpeedChangeKeepsTheStateAndRecovers)
{
#ifdef MSK_CORE_ONLY
    GTEST_SKIP() << kNeedsResampler;
#else
    ReceiveChain chain;
    chain.settings.tickRate = rxtest::kSpeeds[2].tickRate;
    const auto first = rxtest::transmission("abc", rxtest::kSpeeds[2]);
    chain.feed(first.data(), first.size());
    ASSERT_EQ(chain.text(), "abc");

    const int counter = chain.demodulator.standard().tickCounter();
    const double oscillator = chain.demodulator.standard().oscillatorPhase();
    chain.settings.tickRate = rxtest::kSpeeds[1].tickRate;  // 63 baud from the next sample
    const std::int16_t one = 0;
    chain.feed(&one, 1);
    EXPECT_NEAR(std::fmod(chain.demodulator.standard().oscillatorPhase() - oscillator + 1.0, 1.0), 0.125, 1e-12);
    EXPECT_LE((chain.demodulator.standard().tickCounter() - counter + 16) % 16, 1);

    const auto second = rxtest::transmission("hello world", rxtest::kSpeeds[1]);
    chain.feed(second.data(), second.size());
    const std::string text = chain.text();
    ASSERT_GE(text.size(), 14u);
    EXPECT_EQ(text.substr(0, 3), "abc");
    EXPECT_EQ(text.substr(text.size() - 11), "hello world");
#endif
}

TEST(DemodulatorChainTest, DrawsTheTracesOfATransmission)
{
#ifdef MSK_CORE_ONLY
    GTEST_SKIP() << kNeedsQt;
#else
    struct LastShown : DisplayTarget {
        QImage image;
        void showDisplayImage(const QImage& shown) override { image = shown; }
    } target;
    ReceiveChain chain;
    SignalDisplay display(&target);
    MskDemodulator demodulator(chain.settings, chain.decoder, &display);
    // 42 bits of preamble at 31 baud: the lower tone, d near +0.363 (7.5625 Hz),
    // drawn at x = 60 - R(18.1) = 42.
    const auto x = rxtest::transmission("", rxtest::kSpeeds[0]);
    for (std::size_t n = 0; n < 256 * 30; ++n)
        demodulator.DemodulateSample(x[n]);
    EXPECT_EQ(target.image.pixel(42, 45) & 0xFFFFFFu, 0x00FFFFu);
    EXPECT_EQ(target.image.pixel(41, 45) & 0xFFFFFFu, 0u);
#endif
}

}  // namespace
