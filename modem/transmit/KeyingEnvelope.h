// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The edges of an over. Switching the carrier on or off within one sample is a
// step, and a step's spectrum (sin x / x) falls off only 6 dB per octave: every
// station within a few kHz hears it as a key click. A raised-cosine edge of 5 ms
// keeps the splatter within a few hundred hertz of the carrier instead.
//
// The rise shapes the first samples of a transmission; the fall is added after
// the last bit, the same tone running on under the falling half. Plain functions
// of the sample number: nothing is held, nothing allocated.

#include <cstdint>

namespace keying {

inline constexpr int kSampleRate = 32000;     // samples per second
inline constexpr double kEdgeSeconds = 0.005;  // 5 ms
inline constexpr int kEdgeSamples = 160;      // kEdgeSeconds at kSampleRate
static_assert(kEdgeSamples == static_cast<int>(kEdgeSeconds * kSampleRate + 0.5));

// Gain of sample n (0 <= n < kEdgeSamples) of the rise: (1 - cos(pi n / N)) / 2,
// 0 at the first sample, just under 1 at the last.
double riseGain(int n);
// Gain of sample n of the fall after the last bit: (1 + cos(pi n / N)) / 2, 1 at the
// first sample, just over 0 at the last; the rise run backwards.
double fallGain(int n);

}  // namespace keying
