// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// msk-modem encode: the signal a freshly started transmitter plays when the text
// was typed before "Turn On" -- the preamble, then one bit per request of the bit
// queue through the end of the text and a number of idle units, opened by the
// keying rise and closed by the fall (modem/transmit/KeyingEnvelope.h). The text is read
// and the samples are written block by block, so memory stays the same however
// long the text and however many idle units follow it.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace modem {

inline constexpr int kEncodeSampleRate = 32000;
inline constexpr int kDefaultIdleUnits = 2;

// UTF-8 text to the entry's bytes as it arrives in pieces: Windows-1252, every line
// end (LF, CR or CR LF) as CR LF. A character or a CR LF split between two pieces
// comes out as if the text had come in one piece.
class EntryTextConverter {
public:
    // Appends the entry bytes of this piece to out; the end of a multi-byte
    // character, or the LF after a CR, may still be held back for the next piece.
    void append(std::string_view utf8, std::string& out);
    // The end of the text: whatever is still held back.
    void finish(std::string& out);

private:
    std::string pending_;       // an incomplete UTF-8 sequence at the end of a piece
    bool afterCarriageReturn_ = false;
    void lineEnds(std::string_view bytes, std::string& out);
};

// The whole text at once.
std::string entryTextFromUtf8(std::string_view utf8);

// Fills a piece of entry text (Windows-1252 bytes, line ends as CR LF) and returns
// true, or returns false at the end of the text.
using EntryTextPieces = std::function<bool(std::string& piece)>;
// Receives the samples in blocks, in order.
using SampleBlockOutput = std::function<void(const std::int16_t* samples, std::size_t count)>;

// How an over switches the carrier: Shaped, as this transmitter keys (a 5 ms
// raised-cosine rise and fall); Hard, as a sender without shaping does (full
// amplitude from the first sample, nothing after the last bit) -- for tests of
// what the receiver hears from other stations.
enum class KeyingEdges { Shaped, Hard };

// Streams the transmission of the text to output at samplesPerBit, ending after
// idleUnits idle units. Holds a few pieces of text and one block of samples.
void streamTransmission(const EntryTextPieces& text, int samplesPerBit, int idleUnits, const SampleBlockOutput& output,
                        KeyingEdges edges = KeyingEdges::Shaped);

// The samples a fresh transmitter plays for this entry text (Windows-1252 bytes,
// line ends as CR LF) at samplesPerBit, ending after idleUnits idle units.
std::vector<std::int16_t> encodeTransmission(std::string_view entryText, int samplesPerBit, int idleUnits,
                                             KeyingEdges edges = KeyingEdges::Shaped);

// The encode command; argv[0] is "encode". Returns the exit code.
int runEncode(int argc, char** argv);

}  // namespace modem
