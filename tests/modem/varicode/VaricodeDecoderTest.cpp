// SPDX-License-Identifier: GPL-3.0-or-later
#include "modem/varicode/VaricodeDecodeTable.h"
#include "modem/varicode/VaricodeDecoder.h"
#include "modem/varicode/VaricodeTable.h"
#include "tests/modem/receive/FakeTextPane.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace {

using Log = std::vector<std::string>;

// A decision value for each '0' or '1': the middle-of-bit d of a clean MSK signal.
void sendBits(VaricodeDecoder& decoder, const std::string& bits)
{
    for (char b : bits)
        decoder.DecideBit(b == '1' ? 0.375 : -0.375);
}

struct DecoderTest : ::testing::Test {
    FakeTextPane pane;
    VaricodeDecoder decoder{pane};
};

TEST(VaricodeDecodeTableTest, HoldsTheAlphabetAsIntegers)
{
    const VaricodeDecodeTable table;
    EXPECT_EQ(table.entry(0), 683u);    // 1010101011
    EXPECT_EQ(table.entry(32), 1u);     // 1
    EXPECT_EQ(table.entry(101), 3u);    // e: 11
    EXPECT_EQ(table.entry(116), 5u);    // t: 101
    EXPECT_EQ(table.entry(128), 957u);  // 1110111101
    EXPECT_EQ(table.entry(233), 2733u); // 101010101101
    EXPECT_EQ(table.entry(255), 2907u); // 101101011011

    std::set<std::uint32_t> seen;
    for (int c = 0; c < 256; ++c) {
        const std::uint32_t w = table.entry(c);
        // The same word the transmitter sends, read first bit most significant.
        std::uint32_t fromText = 0;
        for (char b : VaricodeTable::codeFor(static_cast<std::uint8_t>(c)))
            fromText = fromText * 2 + (b == '1' ? 1u : 0u);
        EXPECT_EQ(w, fromText) << c;
        EXPECT_TRUE(seen.insert(w).second) << "duplicate word at " << c;
        EXPECT_EQ(table.lookup(w), c);
    }
    EXPECT_EQ(table.lookup(0), -1);
    EXPECT_EQ(table.lookup(0xFFFu), -1);  // twelve 1 bits: no character
}

TEST_F(DecoderTest, ShortWordsAndTheirSeparators)
{
    sendBits(decoder, "100");  // space
    EXPECT_EQ(pane.text(), " ");
    sendBits(decoder, "10100");  // t
    EXPECT_EQ(pane.text(), " t");
    EXPECT_EQ(decoder.accumulator(), 0u);
}

TEST_F(DecoderTest, EveryCharacterAfterItsWord)
{
    for (int c = 1; c < 256; ++c) {
        if (c == 8 || c == 13)
            continue;
        sendBits(decoder, std::string(VaricodeTable::codeFor(static_cast<std::uint8_t>(c))) + "00");
        ASSERT_EQ(pane.text().size(), static_cast<std::size_t>(c - (c > 13 ? 2 : c > 8 ? 1 : 0))) << c;
        EXPECT_EQ(static_cast<std::uint8_t>(pane.text().back()), c);
    }
}

TEST_F(DecoderTest, ZeroRunsEndWordsAndOutputNothing)
{
    sendBits(decoder, std::string(40, '0'));
    EXPECT_EQ(pane.text(), "");
    EXPECT_TRUE(pane.log.empty());
    sendBits(decoder, "1100");  // e decodes normally after the run
    EXPECT_EQ(pane.text(), "e");

    // Three 0 bits: the first two end the word, the third leaves the accumulator at 0.
    sendBits(decoder, "11000");
    EXPECT_EQ(pane.text(), "ee");
    EXPECT_EQ(decoder.accumulator(), 0u);
}

TEST_F(DecoderTest, OverlongAndMergedWordsVanish)
{
    sendBits(decoder, std::string(13, '1') + "00");
    EXPECT_EQ(pane.text(), "");
    EXPECT_EQ(decoder.accumulator(), 0u);

    // A run of 1 bits straight into e (11): one word of 13 bits, nothing; the next
    // word decodes.
    sendBits(decoder, std::string(11, '1') + "1100" + "10100");
    EXPECT_EQ(pane.text(), "t");

    // More than 32 bits: the oldest fall off the top, still no match.
    sendBits(decoder, std::string(40, '1') + "00" + "100");
    EXPECT_EQ(pane.text(), "t ");
}

TEST_F(DecoderTest, TwelveBitWordGivesCharacter255)
{
    sendBits(decoder, "101101011011" "00");
    ASSERT_EQ(pane.text().size(), 1u);
    EXPECT_EQ(static_cast<std::uint8_t>(pane.text()[0]), 255);
}

TEST_F(DecoderTest, ZeroDecisionIsAZeroBit)
{
    decoder.DecideBit(0.0);
    EXPECT_EQ(decoder.accumulator(), 0u);
    decoder.DecideBit(1e-12);
    decoder.DecideBit(0.0);
    EXPECT_EQ(decoder.accumulator(), 2u);  // binary 10
    decoder.DecideBit(-0.0);
    EXPECT_EQ(pane.text(), " ");
}

TEST_F(DecoderTest, CarriageReturnAddsNothingLineFeedIsACharacter)
{
    decoder.AppendReceivedChar(13);
    EXPECT_EQ(pane.text(), "");
    EXPECT_TRUE(pane.log.empty());
    decoder.AppendReceivedChar(10);
    EXPECT_EQ(pane.text(), "\n");
}

TEST_F(DecoderTest, BackspaceDeletesThePanesLastCharacter)
{
    decoder.AppendReceivedChar(8);  // empty pane: stays empty, no selection from -1
    EXPECT_EQ(pane.text(), "");
    EXPECT_EQ(pane.log, (Log{"length"}));

    for (char c : std::string("abc"))
        decoder.AppendReceivedChar(static_cast<std::uint8_t>(c));
    pane.log.clear();
    decoder.AppendReceivedChar(8);
    EXPECT_EQ(pane.text(), "ab");
    EXPECT_EQ(pane.log, (Log{"length", "select 2 3", "delete"}));
}

TEST_F(DecoderTest, EveryCharacterGoesToTheEndWhereverTheCaretWas)
{
    decoder.AppendReceivedChar('a');
    decoder.AppendReceivedChar('b');
    pane.selectRange(0, 1);  // the operator selected the first character
    pane.log.clear();
    decoder.AppendReceivedChar('c');
    EXPECT_EQ(pane.text(), "abc");
    EXPECT_EQ(pane.log, (Log{"length", "select 2 2", "replace 'c'", "scroll"}));
}

TEST_F(DecoderTest, CharacterZeroInsertsNothingButScrolls)
{
    decoder.AppendReceivedChar('x');
    pane.log.clear();
    sendBits(decoder, "1010101011" "00");  // NUL, the idle word
    EXPECT_EQ(pane.text(), "x");
    EXPECT_EQ(pane.log, (Log{"length", "select 1 1", "replace ''", "scroll"}));
}

TEST_F(DecoderTest, HighCharactersArriveAsSingleBytes)
{
    sendBits(decoder, "1110111101" "00");  // 128: the euro sign in Windows-1252
    ASSERT_EQ(pane.text().size(), 1u);
    EXPECT_EQ(static_cast<std::uint8_t>(pane.text()[0]), 0x80);
}

}  // namespace
