#pragma once
// msk-modem encode: the signal a freshly started transmitter plays when the text
// was typed before "Turn On" -- the preamble, then one bit per request of the bit
// queue through the end of the text and a number of idle units.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace modem {

inline constexpr int kEncodeSampleRate = 32000;
inline constexpr int kDefaultIdleUnits = 2;

// UTF-8 text as the entry holds it: Windows-1252 bytes, every line end (LF or
// CR LF) as CR LF.
std::string entryTextFromUtf8(std::string_view utf8);

// The samples a fresh transmitter plays for this entry text (Windows-1252 bytes,
// line ends as CR LF) at samplesPerBit, ending after idleUnits idle units.
std::vector<std::int16_t> encodeTransmission(std::string_view entryText, int samplesPerBit, int idleUnits);

// The encode command; argv[0] is "encode". Returns the exit code.
int runEncode(int argc, char** argv);

}  // namespace modem
