// The noise blanker on exact signals, and the enhanced chain through static.
#include "modem/receive/ReceiveChain.h"
#include "modem/receive/enhanced/NoiseBlanker.h"
#include "tests/modem/receive/BandSignals.h"
#include "tools/ModemSensitivity.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>
#include <vector>

namespace {

// A 1000 Hz tone of peak 1000 at 8000 samples a second: every millisecond's 8
// samples include the crest, so the usual level is 1000 and a sample beyond 4000
// is a burst. From 0.3 s on, bursts of 8 samples at +-20000 every 800 samples:
// each blanks its 8 samples and the 8 of the 1 ms hold after them, 16 in all;
// all else passes untouched, and before the first 200 ms nothing is blanked.
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

// Static: ten 1 ms crashes a second, each 30 dB above the station, at 500 baud
// and +7 dB (7 dB above the white-noise 1 % point). Unblanked, one crash swamped
// the frequency search's summed spectra and 45 % of the text was lost.
TEST(NoiseBlankerTest, EnhancedChainReadsThroughStatic)
{
    const std::string text = "the quick brown fox jumps over the lazy dog 0123456789 THE QUICK BROWN FOX JUMPS OVER THE LAZY DOG";
    std::string sent;
    for (int k = 0; k < 4; ++k)
        sent += text + ' ';
    sent.pop_back();
    bandtest::Station station;
    station.bitRate = 500;
    station.toneOffsetHz = 125;
    std::vector<double> x = bandtest::msk(bandtest::onAirBits(sent), station);
    const double burstRms = station.peak / std::sqrt(2.0) * std::pow(10.0, 30.0 / 20);
    bandtest::addBursts(x, 1234, 800, 8, burstRms, 6);
    bandtest::addNoise(x, bandtest::noiseRmsFor(station.peak, 7.0), 7);
    const auto samples = bandtest::toSamples(x);
    ReceiverSettings settings;
    settings.tickRate = 8000.0;
    settings.demodulator = DemodulatorChoice::Enhanced;
    ReceiveChain chain(settings, true);
    chain.feed(samples.data(), samples.size());
    const double cer = static_cast<double>(modem::editDistance(sent, chain.text())) / static_cast<double>(sent.size());
    EXPECT_LE(cer, 0.05) << chain.text();
    EXPECT_GT(chain.demodulator.enhanced().blankedSamples(), 0u);
}

}  // namespace
