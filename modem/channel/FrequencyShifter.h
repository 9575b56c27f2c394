// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Moves every frequency up by offsetHz, as a mistuned SSB radio does, and on by
// driftHzPerSecond more every second, as a transmitter warming up does: the
// analytic signal turned by the offset's phase, real part kept. Each output sample
// comes delay() samples after its input (the Hilbert transformer's delay).

#include "modem/channel/HilbertTransformer.h"

#include <complex>
#include <cstdint>

namespace modem {

class FrequencyShifter {
public:
    static constexpr int kMaxRate = HilbertTransformer::kMaxRate;

    // The frequency at output sample m (m / rate seconds) is moved by
    // offsetHz + driftHzPerSecond * m / rate.
    FrequencyShifter(int rate, double offsetHz, double driftHzPerSecond = 0.0);
    // Takes the next input sample; returns the output for the input delay() samples
    // earlier (those before the first sample count as silence).
    double step(double x);
    // The same, as the turned analytic signal (its real part is what step() returns).
    std::complex<double> stepAnalytic(double x);
    int delay() const { return hilbert_.delay(); }

private:
    double nextPhase();  // radians, of the output sample step() returns next

    HilbertTransformer hilbert_;
    std::int64_t outputIndex_;       // of the sample step() returns next
    double radiansPerSample_;
    double radiansPerSampleSquared_; // the drift's phase: pi drift (m / rate)^2
};

}  // namespace modem
