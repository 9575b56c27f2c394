// SPDX-License-Identifier: GPL-3.0-or-later
#include "modem/varicode/VaricodeDecodeTable.h"

#include "modem/varicode/VaricodeTable.h"

VaricodeDecodeTable::VaricodeDecodeTable()
{
    for (int c = 0; c < VaricodeTable::kEntries; ++c)
        words_[static_cast<std::size_t>(c)] = VaricodeTable::wordValue(static_cast<std::uint8_t>(c));
}

int VaricodeDecodeTable::lookup(std::uint32_t word) const
{
    // All 256 words differ, so the first match is the only one.
    for (std::size_t c = 0; c < words_.size(); ++c)
        if (words_[c] == word)
            return static_cast<int>(c);
    return -1;
}
