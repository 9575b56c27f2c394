// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The bit-timing pull-in aid, which needs no decisions: the squared difference of
// the two tones' filter energies, (|c1|^2 - |c0|^2)^2, peaks once per bit where
// the filters' window lines up with a bit; its component at the bit rate,
// averaged with a memory of about 32 bits, has a phase that says where in the
// 16-sample grid the bits end. Read only once per bit (one atan2). Allocates
// nothing; one step per decimated sample.

#include "modem/dsp/ComplexMath.h"

#include <array>
#include <cstddef>
#include <cstdint>

class SymbolRateLine {
public:
    static constexpr int kSamplesPerBit = 16;
    static constexpr Real kMemoryBits = 32;
    static constexpr std::size_t kHistory = 256;  // samples kept, a power of two

    SymbolRateLine();

    // n: the decimated sample index (counted from 0 with no gaps).
    void step(std::int64_t n, Complex zero, Complex one)
    {
        const Real difference = std::norm(one) - std::norm(zero);
        sum_ = forgetting_ * sum_ + (difference * difference) * rate_[static_cast<std::size_t>(n) & (kSamplesPerBit - 1)];
        line_[slot(n)] = sum_;
    }

    // Where in the bit grid bits end, as seen at sample n: 0..16 samples, taken
    // modulo 16 of the sample index.
    Real bitEndAt(std::int64_t n) const;

private:
    static std::size_t slot(std::int64_t n) { return static_cast<std::size_t>(n) & (kHistory - 1); }

    Real forgetting_;
    std::array<Complex, kSamplesPerBit> rate_{};  // e^(-j 2 pi n / 16)
    std::array<Complex, kHistory> line_{};
    Complex sum_{};
};
