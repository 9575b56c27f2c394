// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The Varicode alphabet used on the air by both programs.
//
// 256 code words, one per byte value. Each word starts and ends with a 1 and never
// holds two 0 bits in a row, so "00" on the air can only be the gap between words.
// Entries 0-127 are the published PSK31 alphabet; 128-255 are the next shortest
// words of that kind, taken in order of length and then binary value.

#include <array>
#include <cstdint>
#include <string_view>

class VaricodeTable {
public:
    static constexpr int kEntries = 256;
    static constexpr int kMaxWordBits = 12;

    // Code word of a byte value as '0'/'1' characters, first bit on the air first.
    static std::string_view codeFor(std::uint8_t byteValue);

    // The same word as an integer with the first bit on the air as the most
    // significant bit (what a receiver shifts together bit by bit).
    static std::uint32_t wordValue(std::uint8_t byteValue);

private:
    struct Words;
    static const Words& words();
};

// Fixed bit patterns that the transmitter queues next to the code words.
namespace varicode {
inline constexpr std::string_view kSeparator = "00";          // ends every word
inline constexpr std::string_view kBackspaceUnit = "101111111100"; // BS word + separator
inline constexpr std::uint8_t kIdleCharacter = 0;                  // NUL: sent when idle
inline constexpr std::uint8_t kBackspace = 8;
inline constexpr std::uint8_t kLineFeed = 10;
inline constexpr std::uint8_t kCarriageReturn = 13;
inline constexpr std::uint8_t kSpace = 32;
}  // namespace varicode
