// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The receiver's four live settings. The window writes them between audio buffers;
// the demodulator reads them afresh on every sample, so a change acts from the next
// sample on and resets nothing.

#include "modem/dsp/DspMath.h"

#include <array>
#include <cstdint>

// Which receive chain decides the bits: the classic phase-slope chain, or the
// coherent one with automatic frequency correction. Both run on every sample, so a
// switch takes effect at once, with the other chain already settled.
enum class DemodulatorChoice { Standard, Enhanced };

struct ReceiverSettings {
    Real centreFrequency = 1000.0;  // Hz, the local oscillator
    std::int32_t sampleRate = 8000; // samples per second the arithmetic assumes
    Real tickRate = 500.0;          // ticks per second, 16 per bit
    float timingGain = 2.0f;        // bit-timing loop gain

    // The operator's aids beside the classic four. As written here they leave the
    // receiver exactly as the classic chain behaves; the window loads the
    // operator's remembered choices over them.
    DemodulatorChoice demodulator = DemodulatorChoice::Standard;
    bool reverse = false;  // station on the other sideband: the two tones swapped
    bool squelch = false;  // print nothing while no signal of this speed is present
};

struct RxMode {
    int optionId;       // the window's radio button
    const char* label;  // its caption
    Real tickRate;      // 16 x the bit rate
};

inline constexpr std::array<RxMode, 5> kRxModes = {{
    {3000, "31 baud", 500.0},
    {3001, "63 baud", 1000.0},
    {3002, "125 baud", 2000.0},
    {3003, "250 baud", 4000.0},
    {3004, "500 baud", 8000.0},
}};

inline constexpr float kSlowSyncGain = 0.2f;  // "Slow sync"
inline constexpr float kFastSyncGain = 2.0f;  // "Fast sync", at start
inline constexpr std::int32_t kCaptureSampleRate = 8000;  // what the sound card records
