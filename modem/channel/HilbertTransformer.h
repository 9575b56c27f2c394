// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The analytic signal x + j H{x} of a real signal, sample by sample: H is a
// windowed FIR Hilbert transformer reaching 16 ms each side, so each output comes
// delay() samples after its input. A radio band's troubles that turn or scale a
// signal's phase (offset, drift, fading) act on this.

#include <complex>
#include <cstddef>
#include <vector>

namespace modem {

class HilbertTransformer {
public:
    // Rates up to kMaxRate samples per second keep the transformer's full span.
    static constexpr int kMaxRate = 384000;

    explicit HilbertTransformer(int rate);
    // Takes the next input sample; returns the analytic sample of the input
    // delay() samples earlier (those before the first sample count as silence).
    std::complex<double> step(double x);
    int delay() const { return half_; }

private:
    int half_;                       // taps each side of the centre
    std::vector<double> taps_;       // 2 half_ + 1, centre at half_
    std::vector<double> history_;    // the last 2 half_ + 1 inputs, stored twice
    std::size_t newest_ = 0;         // where the newest input stands in history_
};

}  // namespace modem
