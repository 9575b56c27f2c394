// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Moves every frequency up by offsetHz, as a mistuned SSB radio does: the analytic
// signal x + j H{x} turned by the offset, real part kept. H is a windowed FIR
// Hilbert transformer reaching 16 ms each side, so each output sample comes
// delay() samples after its input.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace modem {

class FrequencyShifter {
public:
    // Rates up to kMaxRate samples per second keep the transformer's full span.
    static constexpr int kMaxRate = 384000;

    FrequencyShifter(int rate, double offsetHz);
    // Takes the next input sample; returns the output for the input delay() samples
    // earlier (those before the first sample count as silence).
    double step(double x);
    int delay() const { return half_; }

private:
    int half_;                       // taps each side of the centre
    std::vector<double> taps_;       // 2 half_ + 1, centre at half_
    std::vector<double> history_;    // the last 2 half_ + 1 inputs, stored twice
    std::size_t newest_ = 0;         // where the newest input stands in history_
    std::int64_t outputIndex_;       // of the sample step() returns next
    double radiansPerSample_;
};

}  // namespace modem
