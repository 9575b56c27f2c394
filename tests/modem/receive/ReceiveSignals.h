// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Test signals for the receive chain, at the receiver's 8000 samples per second.

#include "modem/receive/ReceiverSettings.h"
#include "tools/ModemEncode.h"
#include "tools/SampleRateConverter.h"

#include <cmath>
#include <cstdint>
#include <numbers>
#include <string_view>
#include <vector>

namespace rxtest {

inline constexpr int kRate = 8000;  // samples per second

// A steady sine of the given frequency and peak.
inline std::vector<std::int16_t> tone(double hz, int samples, double peak = 10000.0)
{
    std::vector<std::int16_t> x(static_cast<std::size_t>(samples));
    for (int n = 0; n < samples; ++n)
        x[static_cast<std::size_t>(n)] =
            static_cast<std::int16_t>(std::lround(peak * std::sin(2 * std::numbers::pi * hz * n / kRate)));
    return x;
}

struct Speed {
    const char* name;
    int samplesPerBitTx;  // at 32000 samples per second
    Real tickRate;        // receiver, 16 ticks per bit
};
inline constexpr Speed kSpeeds[] = {
    {"31", 1024, 500.0}, {"63", 512, 1000.0}, {"125", 256, 2000.0}, {"250", 128, 4000.0}, {"500", 64, 8000.0},
};

// What a fresh transmitter sends for this entry text, as the receiver records it.
inline std::vector<std::int16_t> transmission(std::string_view entryText, const Speed& speed, int idleUnits = 2,
                                              modem::KeyingEdges edges = modem::KeyingEdges::Shaped)
{
    return convertSampleRate(modem::encodeTransmission(entryText, speed.samplesPerBitTx, idleUnits, edges),
                             modem::kEncodeSampleRate, kRate);
}

}  // namespace rxtest
