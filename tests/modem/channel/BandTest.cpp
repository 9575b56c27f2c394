// SPDX-License-Identifier: GPL-3.0-or-later
// The band's other troubles with exact or bounded numbers: drift, a second
// station, a carrier, impulses, the radio's passband and AGC, and the mixer that
// joins them without changing the plain noisy channel.
#include "modem/channel/BandMixer.h"
#include "modem/channel/FrequencyShifter.h"
#include "modem/receive/ReceiveChain.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>
#include <vector>

namespace {

using namespace modem;
constexpr double kPi = std::numbers::pi;
constexpr int kRate = 8000;

// The power of x at hz (a Goertzel filter over the whole block): A^2 / 2 for a
// sine of peak A on a bin.
double powerAt(const std::vector<double>& x, double hz)
{
    std::complex<double> sum = 0;
    for (std::size_t n = 0; n < x.size(); ++n)
        sum += x[n] * std::polar(1.0, -2 * kPi * hz * static_cast<double>(n) / kRate);
    return 2 * std::norm(sum) / (static_cast<double>(x.size()) * static_cast<double>(x.size()));
}

double meanSquare(const std::vector<double>& x, std::size_t from = 0)
{
    double sum = 0;
    for (std::size_t n = from; n < x.size(); ++n)
        sum += x[n] * x[n];
    return sum / static_cast<double>(x.size() - from);
}

TEST(FrequencyShifterTest, DriftMovesTheFrequencyLinearly)
{
    // A 1000 Hz tone, offset +5 Hz and drifting 2 Hz a second: at output sample m
    // the analytic signal turns by 2 pi (1005 + 2 m / 8000) / 8000 a sample.
    FrequencyShifter shifter(kRate, 5.0, 2.0);
    std::complex<double> last;
    for (int n = 0; n < 10 * kRate; ++n) {
        const std::complex<double> y = shifter.stepAnalytic(std::sin(2 * kPi * 1000.0 * n / kRate));
        const int m = n - shifter.delay();
        if (m > 2 * shifter.delay() && m % 4000 == 0) {
            const double hz = std::arg(y * std::conj(last)) * kRate / (2 * kPi);
            EXPECT_NEAR(hz, 1005.0 + 2.0 * (m - 0.5) / kRate, 0.01) << m;
        }
        last = y;
    }
}

TEST(SecondStationTest, IsAStationOfTheSpeedThatReadsItsOwnText)
{
    // 125 baud, centred 1000 Hz + 0 Hz, heard by the standard chain at that speed.
    SecondStation station(kRate, 256, 0.0, 10000.0);
    ReceiveChain chain;
    chain.settings.tickRate = 2000.0;  // 16 ticks a bit at 125 baud
    std::vector<std::int16_t> x(12 * kRate);
    for (auto& v : x)
        v = toSixteenBits(station.step());
    chain.feed(x.data(), x.size());
    // 12 s at 125 baud is 1500 bits, the text about twice: the whole text is there.
    EXPECT_NE(chain.text().find(SecondStation::kText), std::string::npos) << chain.text();

    // Moved by an offset of 150 Hz, its power sits within 1150 +- 150 Hz (MSK at
    // 125 baud holds 99 % of its power within +-1.2 R = +-150 Hz), none of it at
    // 1000 Hz and below.
    SecondStation moved(kRate, 256, 150.0, 1000.0);
    std::vector<double> y(kRate);
    for (double& v : y)
        v = moved.step();
    double inBand = 0, below = 0;
    for (int hz = 850; hz <= 1300; ++hz)  // the 1 Hz bins of the 1 s block add up to the mean square
        (hz < 1000 ? below : inBand) += powerAt(y, hz);
    EXPECT_GT(inBand, 0.97 * meanSquare(y));
    EXPECT_LT(below, 0.003 * meanSquare(y));
}

// Runs the mixer on silence, a carrier, or a tone of power `power` as the wanted signal.
std::vector<double> mix(const ChannelOptions& options, double signalPower, std::size_t samples, bool wanted = false)
{
    BandMixer mixer(kRate, signalPower, options);
    std::vector<double> y(samples);
    for (std::size_t n = 0; n < samples; ++n) {
        const double x = wanted ? std::sqrt(2 * signalPower) * std::sin(2 * kPi * 1000.0 * static_cast<double>(n) / kRate) : 0.0;
        y[n] = mixer.step(x);
    }
    return y;
}

TEST(BandMixerTest, ACarrierHasItsLevelAgainstTheSignal)
{
    // Signal power 2e6 (RMS 1414) and a carrier 10 dB above at 1050 Hz: 2e7 on
    // its own, below the 4096^2 = 1.68e7 that starts the scaling down, so the
    // whole output is scaled by 4096 / sqrt(2e6 + 2e7) = 0.8733.
    ChannelOptions options;
    options.carrier = {true, 50.0, 10.0};
    const auto y = mix(options, 2e6, kRate);
    const double scale = 4096.0 / std::sqrt(2.2e7);
    EXPECT_NEAR(powerAt(y, 1050.0), 2e7 * scale * scale, 0.002 * 2e7 * scale * scale);
    EXPECT_NEAR(meanSquare(y), 2e7 * scale * scale, 0.002 * 2e7 * scale * scale);
}

TEST(BandMixerTest, ImpulsesComeAtTheirRateWithTheirEnergy)
{
    // 10 clicks a second for 200 s: 2000 +- 45 onsets (Poisson). Each click of
    // onset RMS r holds r^2 / (1 - e^(-2 / 8)) = 4.52 r^2 in energy: with the
    // signal at 1e6 and the onset 20 dB above (r^2 = 1e8), the mean square is
    // 10 x 4.52e8 / 8000 = 5.65e5 (the output is scaled by 4096 / 1000 = 4.096
    // at most, and by 32767 / (4.5 x 1e4) = 0.728 to keep the clicks' peaks in).
    ChannelOptions options;
    options.impulsesPerSecond = 10.0;
    options.impulseRelativeDb = 20.0;
    const auto y = mix(options, 1e6, 200 * kRate);
    int onsets = 0;
    for (std::size_t n = 1; n < y.size(); ++n)
        onsets += (y[n - 1] == 0.0 && y[n] != 0.0 && std::abs(y[n]) > 50) ? 1 : 0;
    // A click's quiet start can hide below 50 (one in 30 at 0.728 x 1e4 RMS): count
    // the louder ones, 97 % of 2000, with 4 sigma either side.
    EXPECT_NEAR(onsets, 1940, 180);
    const double scale = 32767.0 / 45000.0;
    const double energy = 1e8 / (1 - std::exp(-2.0 / 8));
    EXPECT_NEAR(meanSquare(y), 10 * energy / kRate * scale * scale, 0.1 * 10 * energy / kRate * scale * scale);
}

TEST(BandMixerTest, SsbPassbandIsFlatInsideAndThreeDbDownAtItsEdges)
{
    const auto gainDb = [](double hz) {
        SsbPassband passband(kRate);
        double in = 0, out = 0;
        for (int n = 0; n < 4 * kRate; ++n) {
            const double x = std::sin(2 * kPi * hz * n / kRate);
            const double y = passband.step(x);
            if (n >= 2 * kRate) {  // past the filter's ringing
                in += x * x;
                out += y * y;
            }
        }
        return 10 * std::log10(out / in);
    };
    EXPECT_NEAR(gainDb(1000.0), 0.0, 0.01);
    EXPECT_NEAR(gainDb(600.0), 0.0, 0.1);
    EXPECT_NEAR(gainDb(2000.0), 0.0, 0.1);
    EXPECT_NEAR(gainDb(300.0), -3.01, 0.05);  // a Butterworth corner
    EXPECT_NEAR(gainDb(2700.0), -3.01, 0.05);
    // Prewarped: 4th order at 100 Hz, 10 log10(1 + (tan(pi 300/8000) / tan(pi 100/8000))^8)
    // = 10 log10(1 + (0.1184 / 0.03928)^8) = 38.3 dB; 8th order at 3500 Hz,
    // 10 log10(1 + (tan(pi 3500/8000) / tan(pi 2700/8000))^16) = 10 log10(1 + (5.027 / 1.768)^16) = 71.9 dB.
    EXPECT_NEAR(gainDb(100.0), -38.3, 0.1);
    EXPECT_NEAR(gainDb(3500.0), -71.9, 0.1);
}

TEST(BandMixerTest, AgcBringsTheLevelToItsTargetAndRecoversAfterAClick)
{
    for (const AgcSpeed speed : {AgcSpeed::Fast, AgcSpeed::Slow}) {
        const double decay = speed == AgcSpeed::Fast ? ReceiverAgc::kFastDecaySeconds : ReceiverAgc::kSlowDecaySeconds;
        ReceiverAgc agc(kRate, speed);
        // A 1000 Hz tone of peak 100: after a second the output's peak sits just below
        // the target (the detector leaks between the tone's peaks).
        double peak = 0;
        for (int n = 0; n < kRate; ++n) {
            const double y = agc.step(100 * std::sin(2 * kPi * 1000.0 * n / kRate));
            if (n >= kRate / 2)
                peak = std::max(peak, std::abs(y));
        }
        EXPECT_GT(peak, 0.9 * ReceiverAgc::kTargetPeak);
        EXPECT_LT(peak, 1.05 * ReceiverAgc::kTargetPeak);
        // A 10 ms click of peak 10000 takes the gain down by about 40 dB; it comes
        // back by 1/e every decay time: after 2 decay times it is still 20 dB below
        // (100 e^-2 = 13.5 x), after 6 (100 e^-6 = 0.25) back up at the tone's gain.
        const double before = agc.gain();
        for (int n = 0; n < kRate / 100; ++n)
            agc.step(10000 * (n % 2 == 0 ? 1 : -1));
        EXPECT_LT(agc.gain(), before / 50);
        const auto run = [&](double seconds) {
            for (int n = 0; n < static_cast<int>(seconds * kRate); ++n)
                agc.step(100 * std::sin(2 * kPi * 1000.0 * n / kRate));
        };
        run(2 * decay);
        EXPECT_LT(agc.gain(), before / 10);
        run(4 * decay);
        EXPECT_GT(agc.gain(), 0.9 * before);
    }
}

TEST(BandMixerTest, PlainNoiseIsChannelNoiseSampleForSample)
{
    // With none of the band's troubles the mixer must not change the plain noisy
    // channel by a single bit.
    ChannelOptions options;
    options.snrDb = -3.0;
    options.seed = 42;
    BandMixer mixer(kRate, 1e7, options);
    ChannelNoise noise(kRate, 1e7, options);
    for (int n = 0; n < 10000; ++n) {
        const double x = 4000 * std::sin(0.7 * n);
        ASSERT_EQ(mixer.step(x), noise.step(x)) << n;
    }
}

TEST(BandMixerTest, EachRandomTroubleRepeatsWithItsSeed)
{
    ChannelOptions options;
    options.snrDb = 0.0;
    options.impulsesPerSecond = 50.0;
    options.impulseRelativeDb = 10.0;
    options.seed = 5;
    const auto a = mix(options, 1e6, kRate, true);
    EXPECT_EQ(a, mix(options, 1e6, kRate, true));
    options.seed = 6;
    EXPECT_NE(a, mix(options, 1e6, kRate, true));
}

}  // namespace
