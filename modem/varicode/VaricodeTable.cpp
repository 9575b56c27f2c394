// SPDX-License-Identifier: GPL-3.0-or-later
#include "modem/varicode/VaricodeTable.h"

#include <algorithm>
#include <string>

namespace {

// The published PSK31 Varicode words for byte values 0-127.
constexpr std::array<std::string_view, 128> kPublishedWords = {
    "1010101011", "1011011011", "1011101101", "1101110111", "1011101011", "1101011111", "1011101111", "1011111101",  // 0-7
    "1011111111", "11101111", "11101", "1101101111", "1011011101", "11111", "1101110101", "1110101011",  // 8-15
    "1011110111", "1011110101", "1110101101", "1110101111", "1101011011", "1101101011", "1101101101", "1101010111",  // 16-23
    "1101111011", "1101111101", "1110110111", "1101010101", "1101011101", "1110111011", "1011111011", "1101111111",  // 24-31
    "1", "111111111", "101011111", "111110101", "111011011", "1011010101", "1010111011", "101111111",  // 32-39
    "11111011", "11110111", "101101111", "111011111", "1110101", "110101", "1010111", "110101111",  // 40-47
    "10110111", "10111101", "11101101", "11111111", "101110111", "101011011", "101101011", "110101101",  // 48-55
    "110101011", "110110111", "11110101", "110111101", "111101101", "1010101", "111010111", "1010101111",  // 56-63
    "1010111101", "1111101", "11101011", "10101101", "10110101", "1110111", "11011011", "11111101",  // 64-71
    "101010101", "1111111", "111111101", "101111101", "11010111", "10111011", "11011101", "10101011",  // 72-79
    "11010101", "111011101", "10101111", "1101111", "1101101", "101010111", "110110101", "101011101",  // 80-87
    "101110101", "101111011", "1010101101", "111110111", "111101111", "111111011", "1010111111", "101101101",  // 88-95
    "1011011111", "1011", "1011111", "101111", "101101", "11", "111101", "1011011",  // 96-103
    "101011", "1101", "111101011", "10111111", "11011", "111011", "1111", "111",  // 104-111
    "111111", "110111111", "10101", "10111", "101", "110111", "1111011", "1101011",  // 112-119
    "11011111", "1011101", "111010101", "1010110111", "110111011", "1010110101", "1011010111", "1110110101",  // 120-127
};

bool isVaricodeWord(std::uint32_t value, int bits)
{
    const std::uint32_t top = 1u << (bits - 1);
    if ((value & top) == 0 || (value & 1u) == 0)
        return false;
    for (int i = 0; i + 1 < bits; ++i)
        if (((value >> i) & 3u) == 0)
            return false;
    return true;
}

std::string toBitString(std::uint32_t value, int bits)
{
    std::string s(static_cast<std::size_t>(bits), '0');
    for (int i = 0; i < bits; ++i)
        if (value & (1u << (bits - 1 - i)))
            s[static_cast<std::size_t>(i)] = '1';
    return s;
}

std::uint32_t toValue(std::string_view word)
{
    std::uint32_t v = 0;
    for (char c : word)
        v = (v << 1) | (c == '1' ? 1u : 0u);
    return v;
}

}  // namespace

struct VaricodeTable::Words {
    std::array<std::string, kEntries> text;
    std::array<std::uint32_t, kEntries> value{};

    Words()
    {
        for (std::size_t i = 0; i < kPublishedWords.size(); ++i)
            text[i] = std::string(kPublishedWords[i]);

        // Upper half: every valid word by length, then binary value, skipping the
        // words already used, until 128 more are found.
        std::size_t next = kPublishedWords.size();
        for (int bits = 1; bits <= kMaxWordBits && next < kEntries; ++bits) {
            for (std::uint32_t v = 1u << (bits - 1); v < (1u << bits) && next < kEntries; ++v) {
                if (!isVaricodeWord(v, bits))
                    continue;
                const std::string candidate = toBitString(v, bits);
                if (std::find(kPublishedWords.begin(), kPublishedWords.end(), candidate) != kPublishedWords.end())
                    continue;
                text[next++] = candidate;
            }
        }
        for (std::size_t i = 0; i < kEntries; ++i)
            value[i] = toValue(text[i]);
    }
};

const VaricodeTable::Words& VaricodeTable::words()
{
    static const Words table;
    return table;
}

std::string_view VaricodeTable::codeFor(std::uint8_t byteValue)
{
    return words().text[byteValue];
}

std::uint32_t VaricodeTable::wordValue(std::uint8_t byteValue)
{
    return words().value[byteValue];
}
