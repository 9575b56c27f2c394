// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A complex FIR low-pass whose taps are chosen when it is made (a FilterTaps
// design). push() stores every input sample; output() convolves only when an
// output is wanted, so a decimating stage pays for its outputs alone. The ring is
// kept twice over so the stored window is one contiguous run, oldest first.
// Allocates nothing.

#include "modem/dsp/ComplexMath.h"
#include "modem/dsp/KaiserLowPass.h"

#include <array>
#include <cstddef>

class DecimatingLowPass {
public:
    explicit DecimatingLowPass(const FilterTaps& taps) : taps_(taps) {}

    void push(Complex x)
    {
        i_[write_] = i_[write_ + taps_.count] = x.real();
        q_[write_] = q_[write_ + taps_.count] = x.imag();
        write_ = write_ + 1 == taps_.count ? 0 : write_ + 1;
    }

    Complex output() const
    {
        const Real* i = i_.data() + write_;
        const Real* q = q_.data() + write_;
        Real sumI = 0;
        Real sumQ = 0;
        for (std::size_t k = 0; k < taps_.count; ++k) {
            sumI += taps_.c[k] * i[k];
            sumQ += taps_.c[k] * q[k];
        }
        return {sumI, sumQ};
    }

    std::size_t taps() const { return taps_.count; }

private:
    FilterTaps taps_;
    std::array<Real, 2 * FilterTaps::kCapacity> i_{};
    std::array<Real, 2 * FilterTaps::kCapacity> q_{};
    std::size_t write_ = 0;
};
