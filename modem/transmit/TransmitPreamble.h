// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The preamble that opens every transmission: one bit per audio buffer, filled when
// the output device reports itself open, before any bit is taken from the queue.
//
// 40 bits of the lower tone give a receiver time to fill its filters and pull in
// its bit clock; the last two are 0 so that the receiver's decoder sees "00" and
// starts the first code word clean. Without them the run of 1 bits merges with
// the first word after it, and the first character typed before "Turn On" is lost.

inline constexpr int kPreambleBuffers = 42;  // also the number of buffers in flight
inline constexpr int kPreambleTrailingZeros = 2;

constexpr int preambleBit(int index)
{
    return index < kPreambleBuffers - kPreambleTrailingZeros ? 1 : 0;
}
