// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// An entry text held as Windows-1252 bytes, line ends already CR LF.

#include "modem/transmit/TxBitQueue.h"

#include <cstdint>
#include <string>

struct StringTextSource : TxTextSource {
    std::string bytes;
    std::int64_t length() const override { return static_cast<std::int64_t>(bytes.size()); }
    std::uint8_t byteAt(std::int64_t i) const override { return static_cast<std::uint8_t>(bytes.at(static_cast<std::size_t>(i))); }
};
