// Both chains on the same samples: the selected one is heard, the classic one
// exactly as it always was, and a switch acts at once while recording.
#include "ModemChannel.h"
#include "MskDemodulator.h"
#include "ReceiveChain.h"
#include "ReceiveDemodulator.h"
#include "ReceiveSignals.h"

#include <gtest/gtest.h>

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

}  // namespace
