// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Keeps the scope's meaning while the enhanced chain decides: the classic chain's
// second low-pass stage and its phase difference over 12 ticks run on the
// enhanced chain's decimated signal (16 samples a bit, as the classic tick rate,
// before the frequency correction, so traces still lean when the station is off
// centre), and the enhanced chain's bit strobes place the four phase points of
// each bit (ticks 0, 4, 8 and 12) where the classic chain would take them: tick 8,
// its decision point, comes 48.5 samples after the bit's centre (the stage's delay
// of 42.5 samples plus half of the 12-sample span). The stage is summed only at
// the points, at the point and 12 samples before it, so the span is always 12
// samples however the strobes fall. One step per decimated sample.

#include "modem/dsp/ComplexMath.h"
#include "modem/receive/BitDecisionSink.h"
#include "modem/receive/standard/LowPassCoefficients.h"

#include <array>
#include <cstddef>
#include <cstdint>

class ScopeTraceAdapter {
public:
    static constexpr int kTicksPerPoint = 4;
    static constexpr int kSpan = 12;  // samples between the two phases of a point
    static constexpr int kPointsPerBit = 4;
    // Tick 0 of a bit whose matched-filter window ends at strobe t (its centre at
    // t - 7.5) comes at t + 33: 7.5 + 40.5 - 15.
    static constexpr Real kFirstPointAfterStrobe = 33.0;  // decimated samples

    explicit ScopeTraceAdapter(PhasePointSink& display) : display_(display) {}

    // n: the decimated sample index; decimated: the signal before the correction.
    void step(std::int64_t n, Complex decimated);
    // The enhanced chain has detected a bit whose window ends at strobe t.
    void bitStrobe(Real t);

private:
    struct Point {
        std::int64_t sample;
        int tick;
    };

    static constexpr std::size_t kHistory = 128;  // decimated samples kept, a power of two
    Complex stage2At(std::int64_t n) const;

    PhasePointSink& display_;
    std::array<Complex, kHistory> history_{};
    std::array<Point, 2 * kPointsPerBit> pending_{};  // in time order
    std::size_t count_ = 0;
};
