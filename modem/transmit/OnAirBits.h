// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The bits a transmitter puts on the air for a text known in advance: the
// preamble, the start value 0, each character's code word and "00" (a line end's
// CR goes out as a space, as the bit queue sends it), then idleUnits idle units
// (NUL and "00"). What msk-modem encode sends for the text, as bits, for a
// benchmark or a test to hold the decisions against.

#include "modem/transmit/TransmitPreamble.h"
#include "modem/varicode/VaricodeTable.h"

#include <cstdint>
#include <string_view>
#include <vector>

inline std::vector<int> onAirBits(std::string_view text, int idleUnits)
{
    std::vector<int> bits;
    for (int k = 0; k < kPreambleBuffers; ++k)
        bits.push_back(preambleBit(k));
    bits.push_back(0);
    const auto word = [&](std::uint8_t c) {
        for (char b : VaricodeTable::codeFor(c == varicode::kCarriageReturn ? varicode::kSpace : c))
            bits.push_back(b == '1');
        bits.insert(bits.end(), varicode::kSeparator.size(), 0);
    };
    for (char c : text)
        word(static_cast<std::uint8_t>(c));
    for (int k = 0; k < idleUnits; ++k)
        word(varicode::kIdleCharacter);
    return bits;
}
