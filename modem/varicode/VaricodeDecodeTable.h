// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The alphabet as the receiver holds it: each code word as an integer, first bit on
// the air most significant (character 0 -> 683, space -> 1, 255 -> 2907).

#include <array>
#include <cstdint>

class VaricodeDecodeTable {
public:
    VaricodeDecodeTable();  // filled from the shared alphabet
    std::uint32_t entry(int character) const { return words_[static_cast<std::size_t>(character)]; }
    // The character whose word this is, or -1 when none is.
    int lookup(std::uint32_t word) const;

private:
    std::array<std::uint32_t, 256> words_{};
};
