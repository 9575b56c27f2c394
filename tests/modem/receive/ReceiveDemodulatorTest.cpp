// SPDX-License-Identifier: GPL-3.0-or-later
// Both chains on the same samples: the selected one is heard, the classic one
// exactly as it always was, and a switch acts at once while recording; reverse
// reads a station on the other sideband; the squelch keeps noise off the pane
// and lets a whole over through.
#include "modem/dsp/KaiserLowPass.h"
#include "modem/receive/ReceiveChain.h"
#include "modem/receive/ReceiveDemodulator.h"
#include "modem/receive/standard/MskDemodulator.h"
#include "tests/modem/receive/ReceiveSignals.h"
#include "tools/ModemChannel.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

struct Recorder : BitDecisionSink, PhasePointSink {
    std::vector<double> decisions;
    std::vector<int> ticks;
    std::vector<double> points;
    void DecideBit(Real d) override { decisions.push_back(d); }
    void PlotPhasePoint(int tick, Real d) override
    {
        ticks.push_back(tick);
        points.push_back(d);
    }
};

std::vector<std::int16_t> noisy(const std::vector<std::int16_t>& x, double snrDb, double offsetHz)
{
    modem::ChannelOptions channel;
    channel.snrDb = snrDb;
    channel.offsetHz = offsetHz;
    return modem::applyChannel(std::vector<double>(x.begin(), x.end()), rxtest::kRate, channel);
}

TEST(ReceiveDemodulatorTest, StandardChoiceIsTheClassicChainToTheLastDigit)
{
    const rxtest::Speed& speed = rxtest::kSpeeds[2];
    const auto x = noisy(rxtest::transmission("cq cq de test", speed), -4.0, 3.0);
    ReceiverSettings settings;
    settings.tickRate = speed.tickRate;
    Recorder both;
    Recorder classic;
    ReceiveDemodulator receiver(settings, both, &both);
    MskDemodulator alone(settings, classic, &classic);
    for (std::int16_t s : x) {
        receiver.DemodulateSample(s);
        alone.DemodulateSample(s);
    }
    ASSERT_FALSE(classic.decisions.empty());
    EXPECT_EQ(both.decisions, classic.decisions);
    EXPECT_EQ(both.ticks, classic.ticks);
    EXPECT_EQ(both.points, classic.points);
}

// 20 Hz off at 125 baud the classic chain prints garbage; switched to the
// enhanced chain during the preamble, the text arrives, because that chain has
// run on every sample all along.
TEST(ReceiveDemodulatorTest, SwitchWhileRecordingActsAtOnce)
{
    const rxtest::Speed& speed = rxtest::kSpeeds[2];
    const auto x = noisy(rxtest::transmission("cq cq de test", speed), 100.0, 20.0);
    const std::size_t preambleMiddle = 30 * 64;  // 64 samples a bit
    ReceiveChain chain;
    chain.settings.tickRate = speed.tickRate;
    chain.feed(x.data(), x.size());
    EXPECT_EQ(chain.text().find("cq cq de test"), std::string::npos);

    ReceiveChain switched;
    switched.settings.tickRate = speed.tickRate;
    switched.feed(x.data(), preambleMiddle);
    switched.settings.demodulator = DemodulatorChoice::Enhanced;
    switched.feed(x.data() + preambleMiddle, x.size() - preambleMiddle);
    EXPECT_EQ(switched.text(), "cq cq de test");
    EXPECT_NEAR(switched.demodulator.afcOffsetHz(), 20.0, 0.5);
}

// The signal as a station on the other sideband sends it: every frequency f
// mirrored about 1000 Hz to 2000 - f. Times 2 cos(2 pi 2000 n / 8000), which is
// 2, 0, -2, 0, ...; the images above 2000 Hz are filtered off.
std::vector<std::int16_t> mirrored(const std::vector<std::int16_t>& x)
{
    const FilterTaps lowPass = kaiserLowPass(60.0, 1000.0, 2000.0, rxtest::kRate);
    std::vector<double> product(x.size());
    for (std::size_t n = 0; n < x.size(); ++n)
        product[n] = x[n] * (n % 4 == 0 ? 2.0 : n % 4 == 2 ? -2.0 : 0.0);
    std::vector<std::int16_t> out(x.size());
    for (std::size_t n = 0; n < x.size(); ++n) {
        double sum = 0;
        for (std::size_t k = 0; k < lowPass.count && k <= n; ++k)
            sum += lowPass.c[lowPass.count - 1 - k] * product[n - k];
        out[n] = static_cast<std::int16_t>(std::lround(sum));
    }
    return out;
}

std::string received(const std::vector<std::int16_t>& x, const rxtest::Speed& speed, DemodulatorChoice chain,
                     bool reverse, bool squelch)
{
    ReceiveChain receiver;
    receiver.settings.tickRate = speed.tickRate;
    receiver.settings.demodulator = chain;
    receiver.settings.reverse = reverse;
    receiver.settings.squelch = squelch;
    receiver.feed(x.data(), x.size());
    return receiver.text();
}

TEST(ReceiveDemodulatorTest, ReverseReadsAStationOnTheOtherSideband)
{
    const rxtest::Speed& speed = rxtest::kSpeeds[2];
    const auto other = mirrored(rxtest::transmission("cq cq de test", speed));
    for (DemodulatorChoice chain : {DemodulatorChoice::Standard, DemodulatorChoice::Enhanced}) {
        EXPECT_EQ(received(other, speed, chain, true, false), "cq cq de test");
        EXPECT_EQ(received(other, speed, chain, false, false).find("cq"), std::string::npos);
    }

    // The scope shows the mirrored traces: every point turned around.
    ReceiverSettings settings;
    settings.tickRate = speed.tickRate;
    Recorder plain;
    Recorder reversed;
    ReceiveDemodulator normal(settings, plain, &plain);
    ReceiverSettings reverseSettings = settings;
    reverseSettings.reverse = true;
    ReceiveDemodulator mirror(reverseSettings, reversed, &reversed);
    for (std::int16_t s : other) {
        normal.DemodulateSample(s);
        mirror.DemodulateSample(s);
    }
    ASSERT_EQ(plain.points.size(), reversed.points.size());
    for (std::size_t k = 0; k < plain.points.size(); ++k)
        EXPECT_EQ(reversed.points[k], -plain.points[k]) << k;
}

// 10 s of noise, an over at 0 dB (31 baud; text decodes far lower), 10 s of
// noise: with the squelch the pane shows the over and nothing else, its first
// characters included, with either chain; without it the noise prints junk.
TEST(ReceiveDemodulatorTest, SquelchPrintsTheOverAndNothingElse)
{
    const rxtest::Speed& speed = rxtest::kSpeeds[0];
    const std::string text = "cq cq de test";
    const auto over = rxtest::transmission(text, speed);
    constexpr std::size_t kGap = 10 * rxtest::kRate;
    std::vector<double> x(kGap, 0.0);
    x.insert(x.end(), over.begin(), over.end());
    x.insert(x.end(), kGap, 0.0);
    modem::ChannelOptions channel;
    channel.snrDb = 0.0 - 10 * std::log10(static_cast<double>(x.size()) / static_cast<double>(over.size()));
    const auto heard = modem::applyChannel(x, rxtest::kRate, channel);
    for (DemodulatorChoice chain : {DemodulatorChoice::Standard, DemodulatorChoice::Enhanced}) {
        EXPECT_EQ(received(heard, speed, chain, false, true), text);
        EXPECT_GT(received(heard, speed, chain, false, false).size(), text.size() + 10);
    }
}

// A recording decoded with one chain runs only that chain: the other stays where
// it started, and what is heard is exactly what both chains side by side give.
// The squelch listens to the enhanced chain, so with it on that chain runs too.
TEST(ReceiveDemodulatorTest, HeardChainOnlyRunsTheOneItHears)
{
    const rxtest::Speed& speed = rxtest::kSpeeds[2];
    const auto x = noisy(rxtest::transmission("cq cq de test", speed), -4.0, 3.0);
    for (DemodulatorChoice choice : {DemodulatorChoice::Standard, DemodulatorChoice::Enhanced}) {
        for (bool squelch : {false, true}) {
            ReceiverSettings settings;
            settings.tickRate = speed.tickRate;
            settings.demodulator = choice;
            settings.squelch = squelch;
            ReceiveChain both(settings);
            ReceiveChain one(settings, true);
            both.feed(x.data(), x.size());
            one.feed(x.data(), x.size());
            // The classic mixer turns an eighth of a cycle a sample: three more
            // leave it off 0 if it runs.
            const std::int16_t more[3] = {};
            one.feed(more, 3);
            EXPECT_EQ(one.text(), both.text());
            const bool standard = choice == DemodulatorChoice::Standard;
            EXPECT_EQ(one.demodulator.enhanced().bitState().bits > 0, !standard || squelch);
            EXPECT_EQ(one.demodulator.standard().oscillatorPhase() != 0, standard);
        }
    }
}

}  // namespace
