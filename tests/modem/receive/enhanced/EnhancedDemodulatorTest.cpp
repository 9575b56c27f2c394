// SPDX-License-Identifier: GPL-3.0-or-later
// The enhanced chain on exact signals from the encoder: the frequency search
// pulls in from both ends of its range, the bit clock locks from any start, the
// carrier loop holds at the speeds that are not exactly MSK, the preamble's end
// puts the first decision on the first text bit, and the scope keeps its meaning.
#include "modem/receive/StringTextPane.h"
#include "modem/receive/enhanced/CarrierPhaseLoop.h"
#include "modem/receive/enhanced/EnhancedDemodulator.h"
#include "modem/transmit/OnAirBits.h"
#include "modem/varicode/VaricodeDecoder.h"
#include "tests/modem/receive/ReceiveSignals.h"
#include "tools/ModemChannel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <numeric>
#include <string>
#include <vector>

namespace {

using rxtest::Speed;

// The enhanced chain alone, its decisions as bits and decoded as text.
struct Receiver : BitDecisionSink {
    explicit Receiver(const Speed& speed) { settings.tickRate = speed.tickRate; }

    void DecideBit(Real d) override
    {
        bits.push_back(d > 0 ? 1 : 0);
        phaseErrors.push_back(demodulator.bitState().phaseError);
        decoder.DecideBit(d);
    }
    void feed(const std::vector<std::int16_t>& x)
    {
        for (std::int16_t s : x)
            demodulator.DemodulateSample(s);
    }
    bool endsWith(const std::string& tail) const
    {
        const std::string& text = pane.text();
        return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
    }

    ReceiverSettings settings;
    StringTextPane pane;
    VaricodeDecoder decoder{pane};
    std::vector<int> bits;
    std::vector<double> phaseErrors;
    EnhancedDemodulator demodulator{settings, *this, nullptr};
};

std::vector<std::int16_t> throughChannel(const std::vector<std::int16_t>& x, double offsetHz, double ppm = 0)
{
    const std::vector<double> in(x.begin(), x.end());
    modem::ChannelOptions channel;
    channel.offsetHz = offsetHz;
    channel.ppm = ppm;
    return modem::applyChannel(in, rxtest::kRate, channel);
}

int samplesPerBit(const Speed& speed)
{
    return static_cast<int>(16 * rxtest::kRate / speed.tickRate);
}

// The bits sent after the preamble's run of 1 bits: its "00", the start value 0,
// then each character's code word and "00".
std::vector<int> bitsAfterPreamble(const std::string& text)
{
    const std::vector<int> all = onAirBits(text, 0);
    return {all.begin() + (kPreambleBuffers - kPreambleTrailingZeros), all.end()};
}

std::string speedName(const ::testing::TestParamInfo<Speed>& info)
{
    return std::string("Baud") + info.param.name;
}

class EnhancedChainTest : public ::testing::TestWithParam<Speed> {};

// The search covers +-45 Hz (+-50 at 500 baud): a station 40 Hz off either way is
// found to within half a hertz, and its text arrives.
TEST_P(EnhancedChainTest, FrequencySearchPullsInFromBothEndsOfItsRange)
{
    const auto signal = rxtest::transmission("cq cq de test", GetParam());
    for (double offset : {40.0, -40.0}) {
        Receiver rx(GetParam());
        rx.feed(throughChannel(signal, offset));
        EXPECT_NEAR(rx.demodulator.afcOffsetHz(), offset, 0.5) << offset << " Hz";
        EXPECT_TRUE(rx.endsWith("cq cq de test")) << offset << " Hz: \"" << rx.pane.text() << '"';
    }
}

// Without a preamble (recording starts inside an over) nothing tells the bit clock
// where the bits are but the bits themselves: it must lock from wherever it
// starts, in 16 steps across a bit, with no point where it hangs.
TEST_P(EnhancedChainTest, BitClockLocksFromEveryStartWithoutAPreamble)
{
    const Speed& speed = GetParam();
    const auto whole = rxtest::transmission("ryryryry ryryryry cq de test", speed);
    constexpr int kPreambleBits = 42;
    const std::vector<std::int16_t> signal(whole.begin() + kPreambleBits * samplesPerBit(speed), whole.end());
    for (int step = 0; step < 16; ++step) {
        Receiver rx(speed);
        rx.feed(std::vector<std::int16_t>(static_cast<std::size_t>(step * samplesPerBit(speed) / 16), 0));
        rx.feed(signal);
        EXPECT_TRUE(rx.endsWith("cq de test")) << "start " << step << "/16 of a bit: \"" << rx.pane.text() << '"';
    }
}

// After the preamble's run of 1 bits the decisions are exactly the bits sent: the
// preamble's "00", the start value 0, then the text's words -- none lost or added
// at the start, from any start within a bit, also 7 Hz off.
TEST_P(EnhancedChainTest, FirstDecisionAfterThePreambleIsTheFirstBitSent)
{
    const Speed& speed = GetParam();
    const std::vector<int> sent = bitsAfterPreamble("Good evening");
    const auto signal = throughChannel(rxtest::transmission("Good evening", speed), 7.0);
    for (int step = 0; step < 8; ++step) {
        Receiver rx(speed);
        rx.feed(std::vector<std::int16_t>(static_cast<std::size_t>(step * samplesPerBit(speed) / 8), 0));
        rx.feed(signal);
        // The end of the first run of at least 16 ones (before the search has
        // found the station, the first bits may read anything).
        auto first = rx.bits.begin();
        for (int run = 0; first != rx.bits.end() && !(run >= 16 && *first == 0); ++first)
            run = *first ? run + 1 : 0;
        ASSERT_GE(rx.bits.end() - first, static_cast<std::ptrdiff_t>(sent.size())) << "start " << step << "/8";
        EXPECT_EQ(std::vector<int>(first, first + static_cast<std::ptrdiff_t>(sent.size())), sent)
            << "start " << step << "/8";
    }
}

// Near the threshold the preamble's end may put the grid up to a quarter of a
// bit off, and the bit clock must pull in on the text before the straddled bits
// turn the carrier loop away. At 31 baud and -11.5 dB in 2500 Hz (Eb/N0 =
// -11.5 + 10 log10(2500 / 31.25) = 7.5 dB) a coherent receiver misreads about
// 2 Q(sqrt(2 * 5.6)) = 1 bit in 1200; in each of 8 noisy overs the first 300
// bits of text are read with at most 6 wrong, none lost or added. (With the
// fast gain held for 12 bits and then dropped, one of them misread 50.)
TEST(EnhancedPreambleEndTest, TheBitClockPullsInNearTheThreshold)
{
    const Speed& speed = rxtest::kSpeeds[0];
    const std::string text = "Good evening and thanks for the call. Your signal is steady here with a little fading";
    const std::vector<int> sent = bitsAfterPreamble(text);
    constexpr std::size_t kBits = 300, kAnchorBits = 40, kSearched = 100;
    ASSERT_GE(sent.size(), kBits);
    const std::vector<std::int16_t> clean = rxtest::transmission(text, speed);
    const std::vector<double> in(clean.begin(), clean.end());
    for (std::uint64_t seed = 1; seed <= 8; ++seed) {
        modem::ChannelOptions channel;
        channel.snrDb = -11.5;
        channel.seed = seed;
        Receiver rx(speed);
        rx.feed(modem::applyChannel(in, rxtest::kRate, channel));
        // The text's place among the decisions: where its first 40 bits match
        // best (a bit misread inside the preamble may end its run of ones early).
        ASSERT_GE(rx.bits.size(), kSearched + kBits) << "seed " << seed;
        const auto wrongFrom = [&](std::size_t at, std::size_t count) {
            return std::inner_product(sent.begin(), sent.begin() + static_cast<std::ptrdiff_t>(count),
                                      rx.bits.begin() + static_cast<std::ptrdiff_t>(at), 0, std::plus<>(),
                                      std::not_equal_to<>());
        };
        std::size_t start = 0;
        for (std::size_t at = 1; at < kSearched; ++at)
            if (wrongFrom(at, kAnchorBits) < wrongFrom(start, kAnchorBits))
                start = at;
        EXPECT_LE(wrongFrom(start, kBits), 6) << "seed " << seed;
    }
}

INSTANTIATE_TEST_SUITE_P(AllSpeeds, EnhancedChainTest, ::testing::ValuesIn(rxtest::kSpeeds), speedName);

// At 31 and 63 baud the tones are 2 x 7.5625 and 2 x 15.125 Hz apart, h = 0.484,
// not 0.5: each bit turns the phase 0.05 rad less than the trellis's quarter turn.
// The loop adds that back itself, so over a long over, with a sound card 300 ppm
// slow and the station 7 Hz off, the phase error stays small and no bit is lost.
TEST(CarrierPhaseLoopTest, HoldsWhereTheToneSpacingIsNotExactlyMsk)
{
    const std::string text = "the quick brown fox jumps over the lazy dog 0123456789 THE QUICK BROWN FOX";
    for (const Speed& speed : {rxtest::kSpeeds[0], rxtest::kSpeeds[1]}) {
        Receiver rx(speed);
        rx.feed(throughChannel(rxtest::transmission(text, speed), 7.0, -300.0));
        EXPECT_EQ(rx.pane.text(), text) << speed.name << " baud";
        // From the text's start (preamble and the search's settling behind).
        constexpr std::size_t kSettled = 60;
        ASSERT_GT(rx.phaseErrors.size(), kSettled);
        double worst = 0;
        for (std::size_t k = kSettled; k < rx.phaseErrors.size(); ++k)
            worst = std::max(worst, std::abs(rx.phaseErrors[k]));
        EXPECT_LT(worst, 0.25) << speed.name << " baud";  // radians
    }
}

// A station whose frequency ramps by kRamp a bit (0.5 Hz a second at 31 baud),
// taken off by the search every 16 bits: the loop steps on each bit's phase
// error, which seen(bit, error) is shown first.
constexpr double kRamp = 2 * kPi * 0.5 * 0.032 * 0.032;  // radians per bit squared

template <typename Seen>
void followRamp(CarrierPhaseLoop& loop, int bits, bool drifting, Seen seen)
{
    constexpr int kSearchEvery = 16;
    double phase = 0, frequency = 0;  // radians, radians per bit
    for (int k = 0; k < bits; ++k) {
        const double error = wrapAngle(phase - loop.phase());
        seen(k, error);
        loop.hear(true);
        loop.step(error, k % 2, true, drifting);
        frequency += kRamp;
        phase += frequency;
        if (k % kSearchEvery == 0) {
            loop.shiftDrift(frequency);
            frequency = 0;
        }
    }
}

// A station drifting 0.5 Hz a second at 31 baud turns its frequency by
// a = 2 pi 0.5 0.032^2 = 0.00322 radians per bit, every bit; the search ahead of
// the loop takes the frequency off now and then, and the loop follows what is
// left. At B_L T = 0.05 (near the threshold) omega_n = 0.05 / 0.530 = 0.0943 per
// bit, and a second-order loop would follow the ramp with a standing error of
// a / omega_n^2 = 0.36 radians, enough to misread bits near the noise; the
// loop's third integral learns the ramp and the error goes to 0.
TEST(CarrierPhaseLoopTest, FollowsADriftingStationWithoutAStandingError)
{
    constexpr int kBits = 3000, kLast = 200;
    CarrierPhaseLoop loop(0.5, 31.25);
    loop.setBandwidth(0.05);
    double sum = 0;  // radians
    followRamp(loop, kBits, false, [&](int k, double error) {
        if (k >= kBits - kLast)
            sum += error;
    });
    EXPECT_LT(std::abs(sum / kLast), 0.01);  // radians
}

// The same ramp from a preamble's end, where the loop knows the phase and the
// frequency but not the ramp, at B_L T = 0.045 (Eb/N0 = 5, near the threshold):
// omega_n = 0.045 / 0.530 = 0.0849, kp = 0.120, ki = 0.00721, and the steady third
// integral kr = 0.1 omega_n^3 = 6.1e-5 learns a = 0.00322 only slowly: the error
// is still 0.23 radians 100 bits in. On a station seen drifting it learns with a
// growing memory, at first held to 0.3 kp ki = 2.6e-4 (the loop is stable below
// kp ki): within 64 bits the error is below 0.1 radians, and it does not swing
// back past it the other way.
TEST(CarrierPhaseLoopTest, LearnsADriftingStationsRampSoonAfterThePreamble)
{
    constexpr int kBits = 400, kLearnt = 64;
    for (const bool drifting : {false, true}) {
        CarrierPhaseLoop loop(0.5, 31.25);
        loop.setBandwidth(0.045);
        loop.setPhase(0);
        double worstAfter = 0, at100 = 0;
        followRamp(loop, kBits, drifting, [&](int k, double error) {
            if (k >= kLearnt)
                worstAfter = std::max(worstAfter, std::abs(error));
            if (k == 100)
                at100 = error;
        });
        if (drifting)
            EXPECT_LT(worstAfter, 0.1);  // radians
        else
            EXPECT_GT(at100, 0.2);  // radians: learnt at the steady gain
    }
}

// The ramp above learnt (3000 bits, as in the first test), then a pause of 50 bits
// with no station heard, which teaches nothing: for a station the search sees
// drifting the drift carries on by 50 a = 0.16 radians a bit; for a steady one,
// whose ramp is only its noise, it stays where it was.
TEST(CarrierPhaseLoopTest, APauseCarriesTheDriftOnOnlyForADriftingStation)
{
    constexpr int kPause = 50;
    for (const bool drifting : {false, true}) {
        CarrierPhaseLoop loop(0.5, 31.25);
        loop.setBandwidth(0.05);
        followRamp(loop, 3000, false, [](int, double) {});
        const double before = loop.drift();
        for (int k = 0; k < kPause; ++k) {
            loop.hear(false);
            loop.step(0, k % 2, false, drifting, 0);
        }
        if (drifting)
            EXPECT_NEAR(loop.drift() - before, kPause * kRamp, 0.2 * kPause * kRamp);
        else
            EXPECT_EQ(loop.drift(), before);
    }
}

// A change of speed starts the chain afresh for the new speed: the next over at
// the new speed arrives whole.
// A station 7 Hz above the centre, then the centre moved onto it (as a click on
// the waterfall does): the correction follows at once, rather than after the slow
// average has forgotten the old reading (some 60 bits), and the text goes on.
TEST(EnhancedRetuneTest, MovingTheCentreMovesTheCorrectionWithIt)
{
    const Speed& speed = rxtest::kSpeeds[1];  // 63 baud
    Receiver rx(speed);
    rx.settings.demodulator = DemodulatorChoice::Enhanced;
    rx.settings.centreFrequency = 993.0;
    const auto x = rxtest::transmission("ryryryry the quick brown fox jumps over the lazy dog " + std::string(40, 'e'), speed);
    const std::size_t half = x.size() / 2;
    rx.feed({x.begin(), x.begin() + static_cast<std::ptrdiff_t>(half)});
    EXPECT_NEAR(rx.demodulator.afcOffsetHz(), 7.0, 0.5);
    rx.settings.centreFrequency = 1000.0;
    // 16 bits later (8 transforms of the search, on a window refilled since): within
    // 2 Hz of the station, where the old reading would have held at 7 Hz for some
    // 60 bits; the carrier loop takes up the rest.
    const auto sixteenBits = static_cast<std::ptrdiff_t>(16 * samplesPerBit(speed));
    rx.feed({x.begin() + static_cast<std::ptrdiff_t>(half), x.begin() + static_cast<std::ptrdiff_t>(half) + sixteenBits});
    EXPECT_NEAR(rx.demodulator.afcOffsetHz(), 0.0, 2.0);
    rx.feed({x.begin() + static_cast<std::ptrdiff_t>(half) + sixteenBits, x.end()});
    EXPECT_NE(rx.pane.text().find("lazy dog " + std::string(40, 'e')), std::string::npos) << rx.pane.text();
}

TEST(EnhancedSpeedChangeTest, NextOverAtTheNewSpeedArrives)
{
    Receiver rx(rxtest::kSpeeds[2]);
    rx.feed(rxtest::transmission("abc", rxtest::kSpeeds[2]));
    EXPECT_EQ(rx.pane.text(), "abc");
    rx.settings.tickRate = rxtest::kSpeeds[1].tickRate;
    rx.feed(rxtest::transmission("hello world", rxtest::kSpeeds[1]));
    EXPECT_TRUE(rx.endsWith("hello world")) << '"' << rx.pane.text() << '"';
    EXPECT_EQ(rx.demodulator.plan().bitRate, 62.5);
}

// The scope reads as with the classic chain: a tone a quarter of the bit rate
// below the centre leans every trace 0.375 to the 1 side at the decision tick
// (see the classic chain's test), points come as ticks 0, 4, 8, 12, and the traces
// are placed by this chain's strobes.
TEST(ScopeTraceAdapterTest, TracesLeanAsTheClassicChainsDo)
{
    struct Points : BitDecisionSink, PhasePointSink {
        void DecideBit(Real) override {}
        void PlotPhasePoint(int tick, Real d) override
        {
            ticks.push_back(tick);
            values.push_back(d);
        }
        std::vector<int> ticks;
        std::vector<double> values;
    } out;
    ReceiverSettings settings;
    EnhancedDemodulator demodulator(settings, out, &out);
    for (std::int16_t s : rxtest::tone(1000.0 - 7.8125, 256 * 40))
        demodulator.DemodulateSample(s);
    ASSERT_GE(out.ticks.size(), 4u * 30);
    constexpr std::size_t kSettledPoints = 4 * 8;
    for (std::size_t k = kSettledPoints; k < out.ticks.size(); ++k) {
        EXPECT_EQ(out.ticks[k], static_cast<int>(4 * (k % 4))) << k;
        EXPECT_NEAR(out.values[k], 0.375, 1e-3) << k;
    }
}

}  // namespace
