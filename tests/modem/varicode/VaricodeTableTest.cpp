// SPDX-License-Identifier: GPL-3.0-or-later
#include "modem/varicode/VaricodeTable.h"

#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

bool isValidWord(const std::string& w)
{
    return !w.empty() && w.front() == '1' && w.back() == '1' && w.find("00") == std::string::npos &&
           w.find_first_not_of("01") == std::string::npos;
}

// All valid words of up to 12 bits in order of length, then binary value, built
// by counting rather than the table's own construction.
std::vector<std::string> validWordsInOrder()
{
    std::vector<std::string> words;
    for (int bits = 1; bits <= 12; ++bits)
        for (unsigned v = 0; v < (1u << bits); ++v) {
            std::string w;
            for (int i = bits - 1; i >= 0; --i)
                w += ((v >> i) & 1u) ? '1' : '0';
            if (isValidWord(w))
                words.push_back(w);
        }
    return words;
}

}  // namespace

TEST(VaricodeTable, LowerHalfIsThePublishedAlphabet)
{
    std::ifstream file(MSK_TEST_DATA_DIR "/psk31-varicode.txt");
    ASSERT_TRUE(file.good());
    std::string line;
    int rows = 0;
    while (std::getline(file, line)) {
        if (line.empty() || line[0] == '#')
            continue;
        std::istringstream fields(line);
        int entry = -1;
        std::string word;
        fields >> entry >> word;
        ASSERT_GE(entry, 0);
        ASSERT_LT(entry, 128);
        EXPECT_EQ(VaricodeTable::codeFor(static_cast<std::uint8_t>(entry)), word) << "entry " << entry;
        ++rows;
    }
    EXPECT_EQ(rows, 128);
}

TEST(VaricodeTable, UpperHalfFollowsTheRuleForNewWords)
{
    std::set<std::string> published;
    for (int c = 0; c < 128; ++c)
        published.insert(std::string(VaricodeTable::codeFor(static_cast<std::uint8_t>(c))));
    int next = 128;
    for (const std::string& w : validWordsInOrder()) {
        if (next == 256)
            break;
        if (published.count(w))
            continue;
        EXPECT_EQ(VaricodeTable::codeFor(static_cast<std::uint8_t>(next)), w) << "entry " << next;
        ++next;
    }
    EXPECT_EQ(next, 256);
}

TEST(VaricodeTable, EveryWordIsValidDistinctAndOfTheRightLength)
{
    std::set<std::string_view> seen;
    for (int c = 0; c < 256; ++c) {
        const std::string w(VaricodeTable::codeFor(static_cast<std::uint8_t>(c)));
        EXPECT_TRUE(isValidWord(w)) << "entry " << c << ": " << w;
        EXPECT_LE(w.size(), 12u);
        seen.insert(VaricodeTable::codeFor(static_cast<std::uint8_t>(c)));
        const std::size_t expectedLength = c < 128 ? w.size() : c <= 142 ? 10u : c <= 231 ? 11u : 12u;
        EXPECT_EQ(w.size(), expectedLength) << "entry " << c;
    }
    EXPECT_EQ(seen.size(), 256u);
}

TEST(VaricodeTable, ListedRows)
{
    const std::vector<std::pair<int, std::string>> rows = {
        {0, "1010101011"},    {8, "1011111111"},    {10, "11101"},          {13, "11111"},
        {32, "1"},            {101, "11"},          {127, "1110110101"},    {128, "1110111101"},
        {129, "1110111111"},  {142, "1111111111"},  {143, "10101010101"},   {231, "11111111111"},
        {232, "101010101011"}, {233, "101010101101"}, {255, "101101011011"},
    };
    for (const auto& [entry, word] : rows)
        EXPECT_EQ(VaricodeTable::codeFor(static_cast<std::uint8_t>(entry)), word) << "entry " << entry;
}

TEST(VaricodeTable, WordValuesReadTheFirstBitAsMostSignificant)
{
    EXPECT_EQ(VaricodeTable::wordValue(0), 683u);    // 1010101011
    EXPECT_EQ(VaricodeTable::wordValue(32), 1u);     // 1
    EXPECT_EQ(VaricodeTable::wordValue(116), 5u);    // t = 101
    EXPECT_EQ(VaricodeTable::wordValue(255), 2907u); // 101101011011
}

TEST(VaricodeTable, FixedPatterns)
{
    EXPECT_EQ(std::string(VaricodeTable::codeFor(varicode::kBackspace)) + std::string(varicode::kSeparator),
              varicode::kBackspaceUnit);
    EXPECT_EQ(varicode::kSeparator, "00");
}
