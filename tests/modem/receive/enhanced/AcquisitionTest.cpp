// SPDX-License-Identifier: GPL-3.0-or-later
// Pull-in of the bit clock from wherever recording began. The receiver's tick
// clock runs freely until a signal arrives, so a transmission can start at any
// point of its bit; the preamble is one steady tone, which tells the early-late
// gate nothing, and the clock only pulls in on the bit changes of the text. A
// short lead-in of text must be enough for what follows to arrive intact from
// every starting point.

#include "modem/receive/ReceiveChain.h"
#include "tests/modem/receive/ReceiveSignals.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string receivedFromOffset(const std::vector<std::int16_t>& signal, int offset, Real tickRate)
{
    ReceiverSettings settings;
    settings.tickRate = tickRate;
    ReceiveChain chain(settings);
    const std::vector<std::int16_t> silence(static_cast<std::size_t>(offset), 0);
    chain.feed(silence.data(), silence.size());
    chain.feed(signal.data(), signal.size());
    return chain.text();
}

class AcquisitionTest : public ::testing::TestWithParam<rxtest::Speed> {};

}  // namespace

TEST_P(AcquisitionTest, TextAfterALeadInArrivesFromEveryStartWithinABit)
{
    const rxtest::Speed& speed = GetParam();
    const std::string checked = "cq cq de test";
    const int samplesPerBit = static_cast<int>(16 * rxtest::kRate / speed.tickRate);
    const auto intact = [&](const std::string& text) {
        return text.size() >= checked.size() && text.compare(text.size() - checked.size(), checked.size(), checked) == 0;
    };
    // From a sender that keys its carrier hard, as most on the air do: every start.
    const auto hard = rxtest::transmission("ryryryry " + checked, speed, 2, modem::KeyingEdges::Hard);
    // From this transmitter, whose over rises over 5 ms: the rise moves where the
    // free-running clock meets the first bit changes. Measured over 128 starts a
    // bit: none garbled at 31 and 125 baud, one at 63 baud (56 samples into a
    // bit, where the clock pulls in only after "cq cq de").
    const auto shaped = rxtest::transmission("ryryryry " + checked, speed);
    int shapedGarbled = 0;
    for (int step = 0; step < 32; ++step) {
        const int offset = step * samplesPerBit / 32;
        const std::string text = receivedFromOffset(hard, offset, speed.tickRate);
        EXPECT_TRUE(intact(text)) << speed.name << " baud, start " << offset << " samples into a bit: \"" << text << "\"";
        if (!intact(receivedFromOffset(shaped, offset, speed.tickRate)))
            ++shapedGarbled;
    }
    EXPECT_LE(shapedGarbled, 1) << speed.name << " baud";
}

INSTANTIATE_TEST_SUITE_P(SlowerSpeeds, AcquisitionTest,
                         ::testing::Values(rxtest::kSpeeds[0], rxtest::kSpeeds[1], rxtest::kSpeeds[2]),
                         [](const auto& info) { return std::string(info.param.name) + "baud"; });
