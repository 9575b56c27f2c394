// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Coherent detection over the MSK phase trellis: a 4-state Viterbi detector.
//
// Relative to the carrier phase theta that the phase-locked loop tracks, the
// signal's phase at the start of every bit is one of four quarter turns,
// theta + m * pi / 2. A 1 bit turns it a quarter back (state m - 1), a 0 bit a
// quarter forward (m + 1). A branch scores the tone's matched-filter output
// against its starting state's phase, Re(c_b e^(-j(theta + m pi / 2))); the
// detector keeps the best path into each state and decides a bit once all paths
// agree on it, at the latest `delay` bits later (the best path's choice).
// A detector that keeps its own channel estimate along each path (fading) gives
// each state (and tone) a reference of its own instead of the one carrier phase.
// One step per bit. Allocates nothing.

#include "modem/dsp/ComplexMath.h"

#include <array>
#include <cstddef>
#include <cstdint>

class MskTrellis {
public:
    static constexpr int kStates = 4;
    static constexpr int kMaxDelay = 15;  // bits

    struct Branch {
        int bit;        // 0 or 1
        int fromState;  // where the best path came from
    };

    explicit MskTrellis(int delay);

    // e^(-j m pi / 2): the phase of state m taken off.
    static Complex quarterBack(int state)
    {
        static const std::array<Complex, kStates> turns{Complex(1, 0), Complex(0, -1), Complex(-1, 0), Complex(0, 1)};
        return turns[static_cast<std::size_t>(state)];
    }

    // One bit: the two matched-filter outputs at its end and the carrier phase.
    // Returns the best path's newest branch.
    Branch step(Complex zero, Complex one, Real theta);
    // The same with a reference per starting state m and tone, which multiplies
    // the tone's output before the quarter turn of m (e^(-j theta) for every
    // state and tone above).
    Branch step(Complex zero, Complex one, const std::array<Complex, kStates>& zeroReferences,
                const std::array<Complex, kStates>& oneReferences);

    // After step(): the path into each state came from `from(state)` with `bit(state)`.
    int from(int state) const { return newest().from[static_cast<std::size_t>(state)]; }
    int bit(int state) const { return newest().bit[static_cast<std::size_t>(state)]; }

    // After step(): true when a decision for the bit `delay` bits back is out.
    bool hasDecision() const { return steps_ > static_cast<std::uint64_t>(delay_); }
    int decision() const { return decision_; }
    // The best path's bits after the decided one, still tentative: i = 0 the
    // next, up to delay - 1.
    int followingOnPath(int i) const { return following_[static_cast<std::size_t>(i)]; }
    int bestState() const { return best_; }
    // The best path's newest `count` branches (at most kMaxDelay + 1, and no more
    // than the steps so far), newest first: each bit and the state it left.
    using Path = std::array<Branch, kMaxDelay + 1>;
    void bestPath(int count, Path& path) const;

private:
    struct Survivors {
        std::array<std::int8_t, kStates> from{};
        std::array<std::int8_t, kStates> bit{};
    };

    const Survivors& newest() const { return history_[(steps_ + history_.size() - 1) % history_.size()]; }

    int delay_;
    std::array<Real, kStates> metric_{};
    std::array<Survivors, kMaxDelay + 1> history_{};  // ring, one entry a bit
    std::uint64_t steps_ = 0;
    int best_ = 0;
    int decision_ = 0;
    std::array<std::int8_t, kMaxDelay> following_{};
};
