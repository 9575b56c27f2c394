// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Windows-1252, the single-byte code page of the stations on the air.
//
// Both programs put one byte per character on the air. Typed text is converted to
// this code page before encoding, and received bytes are shown through it.

#include <cstdint>
#include <string>
#include <string_view>

namespace windows1252 {

inline constexpr std::uint8_t kUnrepresentable = '?';

// Byte for a Unicode code point; kUnrepresentable when the code page has none.
std::uint8_t fromUnicode(char32_t codePoint);

// Unicode code point shown for a byte. The five bytes the code page leaves
// undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the C1 control of that number,
// as Windows does, so every byte survives a round trip.
char32_t toUnicode(std::uint8_t byte);

// UTF-8 text to Windows-1252 bytes. Malformed UTF-8 sequences become '?'.
std::string fromUtf8(std::string_view utf8);

// Windows-1252 bytes to UTF-8 text.
std::string toUtf8(std::string_view bytes);

}  // namespace windows1252
