// SPDX-License-Identifier: GPL-3.0-or-later
#include "modem/varicode/Windows1252.h"

#include <gtest/gtest.h>

TEST(Windows1252, TypedCharactersBecomeCodePageBytes)
{
    EXPECT_EQ(windows1252::fromUtf8("CQ de DL1ABC"), "CQ de DL1ABC");
    EXPECT_EQ(windows1252::fromUtf8("\xE2\x82\xAC"), "\x80");           // euro sign
    EXPECT_EQ(windows1252::fromUtf8("\xC3\xA9t\xC3\xA9"), "\xE9t\xE9"); // été
    EXPECT_EQ(windows1252::fromUtf8("\xE2\x80\x9Chi\xE2\x80\x9D"), "\x93hi\x94");  // curly quotes
    EXPECT_EQ(windows1252::fromUtf8("\xC5\xB8"), "\x9F");               // Ÿ
}

TEST(Windows1252, WhatTheCodePageLacksIsSentAsQuestionMark)
{
    EXPECT_EQ(windows1252::fromUtf8("\xE2\x98\xBA"), "?");           // smiling face
    EXPECT_EQ(windows1252::fromUtf8("\xF0\x9F\x93\xBB"), "?");       // radio emoji, 4 bytes
    EXPECT_EQ(windows1252::fromUtf8("\xD0\x96"), "?");               // Cyrillic
}

TEST(Windows1252, MalformedUtf8NeverSwallowsTheTextAfterIt)
{
    EXPECT_EQ(windows1252::fromUtf8("a\xFF" "b"), "a?b");
    EXPECT_EQ(windows1252::fromUtf8("a\xC3"), "a?");                 // truncated at the end
    EXPECT_EQ(windows1252::fromUtf8("\xC3" "b"), "?b");              // missing continuation
    EXPECT_EQ(windows1252::fromUtf8("\xC0\xAF"), "?");               // overlong '/'
    EXPECT_EQ(windows1252::fromUtf8("\xED\xA0\x80x"), "?x");         // surrogate
    EXPECT_EQ(windows1252::fromUtf8("\x80z"), "?z");                 // stray continuation
}

TEST(Windows1252, EveryByteSurvivesTheRoundTripThroughUnicode)
{
    for (int b = 1; b < 256; ++b) {
        const std::string one(1, static_cast<char>(b));
        EXPECT_EQ(windows1252::fromUtf8(windows1252::toUtf8(one)), one) << "byte " << b;
    }
    EXPECT_EQ(windows1252::toUnicode(0x80), U'\u20AC');
    EXPECT_EQ(windows1252::toUnicode(0x81), U'\u0081');  // undefined in the code page
    EXPECT_EQ(windows1252::toUnicode(0xE9), U'\u00E9');
}
