// SPDX-License-Identifier: GPL-3.0-or-later
// Text through the transmitter's code path, 32000 -> 8000 samples per second, and
// back through the receive chain, at every speed; every byte value through both
// demodulators.
#include "modem/receive/ReceiveChain.h"
#include "tests/modem/receive/ReceiveSignals.h"
#include "tools/ModemEncode.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string roundTrip(const std::string& entryText, const rxtest::Speed& speed,
                      DemodulatorChoice demodulator = DemodulatorChoice::Standard)
{
    const auto x = rxtest::transmission(entryText, speed);
    ReceiveChain chain;
    chain.settings.tickRate = speed.tickRate;
    chain.settings.demodulator = demodulator;
    chain.feed(x.data(), x.size());
    return chain.text();
}

class RoundTripTest : public ::testing::TestWithParam<rxtest::Speed> {};

TEST_P(RoundTripTest, EveryByteValueArrives)
{
    std::string entry;
    for (int c = 0; c < 256; ++c)
        entry += static_cast<char>(c);
    // 0 is the idle word and shows nothing; 8 deletes the 7 before it; a typed CR
    // goes on the air as a space.
    std::string expected;
    for (int c = 1; c < 256; ++c)
        if (c != 7 && c != 8)
            expected += static_cast<char>(c == 13 ? ' ' : c);
    EXPECT_EQ(roundTrip(entry, GetParam()), expected);
    EXPECT_EQ(roundTrip(entry, GetParam(), DemodulatorChoice::Enhanced), expected);
}

TEST_P(RoundTripTest, LineEndArrivesAsSpaceThenLineFeed)
{
    EXPECT_EQ(roundTrip(modem::entryTextFromUtf8("CQ CQ\nde TEST\r\nk"), GetParam()), "CQ CQ \nde TEST \nk");
}

TEST_P(RoundTripTest, BackspacesDelete)
{
    EXPECT_EQ(roundTrip("abc\b\bd", GetParam()), "ad");
    EXPECT_EQ(roundTrip("\b\bxy", GetParam()), "xy");  // nothing to delete yet
}

INSTANTIATE_TEST_SUITE_P(AllSpeeds, RoundTripTest, ::testing::ValuesIn(rxtest::kSpeeds),
                         [](const auto& info) { return std::string("Baud") + info.param.name; });

}  // namespace
