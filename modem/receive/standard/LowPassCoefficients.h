// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The two low-pass filters of the demodulator. Both are symmetric, so only the
// first half (through the centre tap) is written out; the rest is its mirror image.
//
// Stage 1, 25 taps at the 8000-per-second mixer output: DC gain 1.004163364, -3 dB
// near 238 Hz, at least 60 dB down from 800 Hz. It removes the mixing product at
// twice the centre frequency before the signal is taken at the tick rate.
// Stage 2, 86 taps at the tick rate (16 per bit): DC gain 1.0120765696, flat within
// 0.21 dB to half the bit rate, -3 dB near 0.64 x the bit rate, at least 59 dB down
// from the bit rate. Its span is 5 3/8 bits.

#include "modem/receive/ReceiverSettings.h"

#include <array>
#include <cstddef>

inline constexpr std::size_t kStage1Taps = 25;
inline constexpr std::size_t kStage2Taps = 86;

inline constexpr std::array<Real, 13> kStage1HalfCoefficients = {
    0.001563808, 0.003587551, 0.007187438, 0.01251941, 0.01971851, 0.02869065, 0.0390689,
    0.05022043,  0.06129076,  0.07130933,  0.07931174, 0.08447962, 0.08626707,  // centre tap 12
};

inline constexpr std::array<Real, 43> kStage2HalfCoefficients = {
    -0.0008052769, -0.0006597547, -0.0008482759, -0.0009976767, -0.001071833, -0.001033514,
    -0.0008502219, -0.0004967897, 0.0000391011,  0.000747259,   0.001600895,  0.002546045,
    0.003507653,   0.004390066,   0.005085209,   0.005479983,   0.005467887,  0.004961829,
    0.003904509,   0.002282107,   0.0001320645,  -0.00244988,   -0.005309359, -0.008236246,
    -0.01097457,   -0.01323685,   -0.01472238,   -0.01514007,   -0.01423171,  -0.01179617,
    -0.007710086,  -0.001945696,  0.005418687,   0.01419458,    0.02408762,   0.03471028,
    0.04560187,    0.05625544,    0.06614874,    0.07477817,    0.08169182,   0.08652041,
    0.08900242,  // taps 42 and 43, the centre pair
};

// The full table of a symmetric filter: c[Taps - 1 - k] = c[k].
template <std::size_t Taps, std::size_t Half>
constexpr std::array<Real, Taps> symmetricTaps(const std::array<Real, Half>& half)
{
    static_assert(Half == (Taps + 1) / 2, "the half table runs through the centre");
    std::array<Real, Taps> taps{};
    for (std::size_t k = 0; k < Half; ++k)
        taps[k] = taps[Taps - 1 - k] = half[k];
    return taps;
}

inline constexpr std::array<Real, kStage1Taps> kStage1Coefficients =
    symmetricTaps<kStage1Taps>(kStage1HalfCoefficients);
inline constexpr std::array<Real, kStage2Taps> kStage2Coefficients =
    symmetricTaps<kStage2Taps>(kStage2HalfCoefficients);
