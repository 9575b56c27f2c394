// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The transmitter's drive level: how far below full drive the whole signal is
// played, so the operator can set the radio's ALC and power from the program
// rather than from the system mixer. Whole decibels from 0 (full drive, the
// samples exactly as without it) down to -30.

namespace drive {

inline constexpr int kFullDb = 0;
inline constexpr int kLowestDb = -30;

// The amplitude gain of a level in dB, 10^(dB / 20): exactly 1 at 0 dB. Levels
// outside kLowestDb..kFullDb are taken as the nearer end.
double gainForDb(int db);
// The level itself kept within kLowestDb..kFullDb.
int clampDb(int db);

}  // namespace drive
