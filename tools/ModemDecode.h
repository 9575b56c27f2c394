// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// msk-modem decode: a recording through the receive chain as the receiver window
// starts it (31 baud, fast sync, 1000 Hz, 8000 samples per second unless told
// otherwise), with the enhanced demodulator unless --demod standard, reversed
// (--reverse) and squelched (--squelch) if told, then the text pane's contents as UTF-8 -- or, with --trace, one line per bit decision.
// Standard chain: the index of the 8000-per-second sample whose processing made it
// and the decision value d with 9 decimals. Enhanced chain: that index, the
// decision (1 or 0, made 4 bits after the bit it is for), then the state after the
// newest bit: its strobe (decimated samples, 16 a bit), the frequency correction
// (Hz), the carrier phase and the phase error (radians), the timing error
// (samples), the signal amplitude (1 = full scale) and the frequency search's
// line-to-floor ratio.

#include "modem/receive/ReceiverSettings.h"
#include "tools/ModemEncode.h"

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <string>

namespace modem {

inline ReceiverSettings enhancedByDefault()
{
    ReceiverSettings settings;
    settings.demodulator = DemodulatorChoice::Enhanced;
    return settings;
}

struct DecodeOptions {
    ReceiverSettings settings = enhancedByDefault();  // as the receiver window starts, enhanced chain
    bool trace = false;
    std::int32_t inputRate = kEncodeSampleRate;   // raw samples on standard input: as encode writes them
    std::string input = "-";                      // a WAV file, or "-" for raw input
};

DecodeOptions parseDecodeOptions(int argc, char** argv);

// Receives the recording in blocks of 16-bit samples at 8000 per second.
using SampleBlockSink = std::function<void(const std::int16_t* samples, std::size_t count)>;

// Reads a WAV file through libsndfile (any rate, first channel), or raw signed
// 16-bit little-endian samples at rawRate from rawInput when path is "-", and hands
// it on converted to 8000 samples per second. IoError for a file it cannot read.
void readRecording(const std::string& path, std::istream& rawInput, std::int32_t rawRate, const SampleBlockSink& sink);

// Decodes and writes the text (UTF-8) or the trace to out.
void decode(const DecodeOptions& options, std::istream& rawInput, std::ostream& out);

// The decode command; argv[0] is "decode". Returns the exit code.
int runDecode(int argc, char** argv);

}  // namespace modem
