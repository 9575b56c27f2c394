// SPDX-License-Identifier: GPL-3.0-or-later
// The enhanced chain in fading: the decisions stay with the coherent detector on
// white noise, and move to the detector that follows the path bit by bit when the
// path fades faster than the carrier loop can follow; where two rays turn the two
// tones differently, the skew between them is read whatever the residual frequency.
#include "modem/channel/DopplerTap.h"
#include "modem/receive/StringTextPane.h"
#include "modem/receive/enhanced/EnhancedDemodulator.h"
#include "modem/receive/enhanced/ToneSkewEstimate.h"
#include "modem/receive/enhanced/TwoSidedBitDecision.h"
#include "modem/varicode/VaricodeDecoder.h"
#include "tests/modem/receive/BandSignals.h"
#include "tools/ModemChannel.h"
#include "tools/ModemSensitivity.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace {

// The enhanced chain alone at 31 baud; counts the decisions each detector gave.
struct Receiver : BitDecisionSink {
    Receiver() { settings.tickRate = 500.0; }
    void DecideBit(Real d) override
    {
        ++decisions;
        if (demodulator.bitState().fadingDetector)
            ++fromFadingDetector;
        decoder.DecideBit(d);
    }
    double fadingShare() const { return decisions ? static_cast<double>(fromFadingDetector) / decisions : 0; }

    ReceiverSettings settings;
    StringTextPane pane;
    VaricodeDecoder decoder{pane};
    long decisions = 0;
    long fromFadingDetector = 0;
    EnhancedDemodulator demodulator{settings, *this, nullptr};
};

const std::string kText = "the quick brown fox jumps over the lazy dog 0123456789 THE QUICK BROWN FOX JUMPS OVER THE LAZY DOG";

// `text` through a fading channel at this average SNR, seeds 1 to 3: each over's
// share of decisions from the fading detector must exceed minShare; returns the
// characters read wrong in all three.
std::size_t wrongInFading(const std::string& text, const modem::FadingProfile& fading, double snrDb, double minShare)
{
    bandtest::Station station;
    const std::vector<double> signal = bandtest::msk(bandtest::onAirBits(text), station);
    std::size_t wrong = 0;
    for (const std::uint64_t seed : {1u, 2u, 3u}) {
        modem::ChannelOptions options;
        options.snrDb = snrDb;
        options.seed = seed;
        options.fading = fading;
        Receiver rx;
        for (std::int16_t s : modem::applyChannel(signal, bandtest::kRate, options))
            rx.demodulator.DemodulateSample(s);
        EXPECT_GT(rx.fadingShare(), minShare) << "seed " << seed;
        wrong += modem::editDistance(text, rx.pane.text());
    }
    return wrong;
}

}  // namespace

// White noise at -8 dB in 2500 Hz (Eb/N0 -8 + 10 log10(2500 / 31.25) = 11.0 dB,
// 4 dB above the chain's 1 % point): the fading detector's reference is the last
// bit's sample itself, so it misses by about twice as much as the steady
// reference and is never chosen; the text arrives whole. At +20 dB without
// fading the same holds.
TEST(DetectorSelectorTest, StaysCoherentOnWhiteNoise)
{
    bandtest::Station station;
    const std::vector<double> signal = bandtest::msk(bandtest::onAirBits(kText), station);
    for (const double snrDb : {-8.0, 20.0}) {
        Receiver rx;
        std::vector<double> x = signal;
        bandtest::addNoise(x, bandtest::noiseRmsFor(station.peak, snrDb), 5);
        for (std::int16_t s : bandtest::toSamples(x))
            rx.demodulator.DemodulateSample(s);
        EXPECT_EQ(rx.fromFadingDetector, 0) << snrDb << " dB";
        EXPECT_EQ(rx.pane.text(), kText) << snrDb << " dB";
    }
}

// One Rayleigh path of 1 Hz Doppler spread (Gaussian, sigma 0.5 Hz) at +30 dB
// average SNR, 31 baud, three fixed seeds: in the ten or so fades of each over the
// path's phase swings by half a turn within a few bits near the nulls, which the
// carrier loop (averaging over tens of bits) cannot follow. The decisions move to
// the fading detector for most of each over, and of the 3 x 98 characters at most
// 2 are wrong; the coherent detector alone read 4 + 11 + 7 = 22 of them wrong
// (7.5 %), the fading detector with a reference from the bit before 7 (at the
// path's nulls, where its gain turns half a turn), and deciding each bit again
// against both its neighbours, none.
TEST(DetectorSelectorTest, FollowsAFastFadingPath)
{
    EXPECT_LE(wrongInFading(kText, {1, 1.0, 0.0}, 30, 0.5), 2u);
}

// CCIR moderate at +6 dB, 31 baud, the text three times, the same seeds: the
// coherent detector misses only a little more than the fast reference yet misreads
// the bits about the nulls. Once the amplitude's spread shows a fading path, the
// decisions move as soon as the fast reference misses less: it gives 0.84 / 0.87 /
// 0.78 of them (0.64 / 0.58 / 0.61 with the steady path's 0.7 and 0.8).
TEST(DetectorSelectorTest, MovesOffTheCarrierLoopInModerateFading)
{
    EXPECT_LE(wrongInFading(kText + " " + kText + " " + kText, modem::kFadingModerate, 6, 0.7), 32u);
}

// A Rayleigh path of 0.5 Hz at 31 baud, random bits: the sent tone's output is
// the path's gain on the bit's start phase, the other's noise alone. In the
// fades one neighbour a side carries twice the bit's noise. Of 40000 bits, one
// a side read 1330 wrong at an Eb/N0 of 10 dB and 275 at 20 dB; two, 1142 and 224.
TEST(TwoSidedBitDecisionTest, ReadsFadesAgainstTwoNeighboursASide)
{
    for (const auto& [ebN0Db, most] : {std::pair{10.0, 1200}, std::pair{20.0, 240}}) {
        modem::DopplerTap path(31.25, 0.5, 1.0, 7);
        std::mt19937_64 rng(11);
        std::normal_distribution<Real> noise(0, std::sqrt(0.5 / std::pow(10.0, ebN0Db / 10)));
        std::bernoulli_distribution coin(0.5);
        TwoSidedBitDecision decision(4);  // the trellis's delay
        decision.setSpeed(31.25, 0.5);
        std::vector<int> sent;
        Complex start{1, 0};
        int wrong = 0;
        for (int k = 0; k < 40000; ++k) {
            sent.push_back(coin(rng) ? 1 : 0);
            const Complex signal = path.step() * start, n0(noise(rng), noise(rng)), n1(noise(rng), noise(rng));
            decision.push(sent.back() ? n0 : signal + n0, sent.back() ? signal + n1 : n1);
            start *= Complex(0, sent.back() ? -1 : 1);
            if (k >= 6)
                wrong += decision.decide({sent[k - 3], sent[k - 2]}) != sent[k - 4];
        }
        EXPECT_LE(wrong, most) << ebN0Db << " dB";
    }
}

// A station at -6 dB (Eb/N0 13 dB at 31 baud) drops out for a second, as in a
// fade. The dropout's bits are the noise's phase while the 50-bit Eb/N0 still holds
// the loop wide: taught in full, they walked its drift to 0.31 and 0.26 rad a bit
// in two of these eight seeds. Weighted by each bit's own Eb/N0, the drift stays
// within 0.2 (at most 0.14).
TEST(CarrierLoopInFadesTest, ABitLostInAFadeDoesNotTeachTheLoopsDrift)
{
    bandtest::Station station;
    std::vector<double> signal = bandtest::msk(bandtest::onAirBits(kText), station);
    constexpr double kDropoutSeconds = 12.0, kDropoutLength = 1.0;
    std::fill(signal.begin() + static_cast<long>(kDropoutSeconds * bandtest::kRate),
              signal.begin() + static_cast<long>((kDropoutSeconds + kDropoutLength) * bandtest::kRate), 0.0);
    for (const unsigned seed : {1u, 2u, 3u, 4u, 5u, 6u, 7u, 8u}) {
        Receiver rx;
        std::vector<double> x = signal;
        bandtest::addNoise(x, bandtest::noiseRmsFor(station.peak, -6.0), seed);
        double largest = 0;
        for (std::int16_t s : bandtest::toSamples(x)) {
            rx.demodulator.DemodulateSample(s);
            if (rx.demodulator.bitState().bits > kDropoutSeconds * station.bitRate)
                largest = std::max(largest, std::abs(rx.demodulator.bitState().carrierDrift));
        }
        EXPECT_LE(largest, 0.2) << "seed " << seed;
    }
}

// Bits on a path that turns the 1 tone 0.5 rad (then -0.3 rad) ahead of the 0 tone,
// with a residual frequency of 0.1 rad a bit on both: after 300 random bits the skew
// reads within 0.01 rad (the frequency's share alternates in sign from one change
// of tone to the next, and what is left of it in the average of about ten changes
// is about 0.1 x 0.1 / 2 = 0.005 rad). Then 100 bits of noise a thousandth as
// strong, as after the signal has gone, move it by less than 0.05 rad.
TEST(ToneSkewEstimateTest, ReadsTheSkewWhateverTheResidualFrequency)
{
    for (const double skew : {0.5, -0.3}) {
        ToneSkewEstimate estimate;
        std::mt19937 generator(7);
        std::bernoulli_distribution coin(0.5);
        for (int k = 0; k < 300; ++k) {
            const int bit = coin(generator) ? 1 : 0;
            estimate.step(std::polar(1.0, 0.1 * k + (bit ? skew / 2 : -skew / 2)), bit);
        }
        EXPECT_NEAR(estimate.skew(), skew, 0.01);
        std::normal_distribution<double> noise(0.0, 1e-3);
        for (int k = 0; k < 100; ++k)
            estimate.step(Complex(noise(generator), noise(generator)), coin(generator) ? 1 : 0);
        EXPECT_NEAR(estimate.skew(), skew, 0.05);
    }
}
