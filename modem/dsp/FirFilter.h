// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A low-pass FIR filter on the complex baseband: the same real coefficients filter
// the I and the Q branch. Samples go in with push(); output() convolves whatever is
// stored, so a decimating stage pushes at its input rate and reads at its output
// rate. coefficients[0] weights the oldest stored sample, the last one the newest.
//
// The ring is kept twice over (each sample is written at index and index + Taps), so
// the stored window is always one contiguous run, oldest first, and the sum needs no
// wrap-around. Window thread only; nothing is allocated after construction.

#include "modem/dsp/IqSample.h"

#include <array>
#include <cstddef>

template <std::size_t Taps>
class FirFilter {
public:
    explicit FirFilter(const std::array<Real, Taps>& coefficients) : coefficients_(coefficients) {}

    // Stores one sample over the oldest; the write index then points at the new oldest.
    void push(IqSample x)
    {
        i_[write_] = i_[write_ + Taps] = x.i;
        q_[write_] = q_[write_ + Taps] = x.q;
        write_ = write_ + 1 == Taps ? 0 : write_ + 1;
    }

    IqSample output() const
    {
        const Real* i = i_.data() + write_;
        const Real* q = q_.data() + write_;
        Real sumI = 0;
        Real sumQ = 0;
        for (std::size_t k = 0; k < Taps; ++k) {
            sumI += coefficients_[k] * i[k];
            sumQ += coefficients_[k] * q[k];
        }
        return {sumI, sumQ};
    }

    const std::array<Real, Taps>& coefficients() const { return coefficients_; }

private:
    std::array<Real, Taps> coefficients_;
    std::array<Real, 2 * Taps> i_{};
    std::array<Real, 2 * Taps> q_{};
    std::size_t write_ = 0;
};
