// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The coherent detector's second look: each bit read again, kAheadBits later,
// against a channel reference taken from the bits on both sides of it.
//
// The carrier loop's phase comes from past bits alone, so where the path's phase
// turns (into and out of a fade, where two rays cancel) the loop lags; and the
// trellis weighs the noisy bits inside a fade as much as the clear ones. Each
// bit's sample on the best path's state, the loop's phase taken off, is the path's
// gain against the loop plus noise. A bit's reference g is the sum of those of the
// kBehindBits bits before it and the kAheadBits after it (not its own: a bit must
// not vouch for itself); the bits after it take the turn the loop has not yet
// followed, and |g| weighs a bit in a fade as little as it tells.
//
// The bit is scored on a trellis of its own against e^(-j theta) conj(g), on the
// first trellis's states, and decided kAheadBits sooner than the first trellis
// decides: each decision comes out with the first trellis's, so the text reaches
// the pane no later. Measured at 31 baud, CCIR good, 24 seeds, 1 % CER: first
// trellis alone +5.3 dB; this +4.7 dB; 6 bits either side +4.4 dB, for 6 bits more
// delay. Where an over's start sets the carrier phase afresh the window reaches
// across it: each sample is taken against its own bit's phase. One step per bit;
// allocates nothing.

#include "modem/dsp/ComplexMath.h"
#include "modem/receive/enhanced/MskTrellis.h"

#include <array>
#include <cstdint>

class SmoothedCoherentDetector {
public:
    static constexpr int kBehindBits = 6;  // bits before the one read again, in its reference
    static constexpr int kAheadBits = 2;   // ... and after it
    static constexpr int kWindowBits = kBehindBits + 1 + kAheadBits;
    static_assert(kWindowBits <= MskTrellis::kMaxDelay + 1, "the first trellis's path reaches back no further");

    // delay: the first trellis's; the same bit is decided here at the same time.
    explicit SmoothedCoherentDetector(int delay) : trellis_(delay - kAheadBits) {}

    // After the first trellis's step for the newest bit: that bit's two tones, the
    // carrier loop's phase taken off, e^(-j theta), and the first trellis.
    void step(Complex zero, Complex one, Complex carrier, const MskTrellis& first);

    bool hasDecision() const { return trellis_.hasDecision(); }
    int decision() const { return trellis_.decision(); }

private:
    struct Bit {
        Complex zero, one;  // matched-filter outputs
        Complex carrier;    // e^(-j theta) at the bit
    };
    const Bit& at(int age) const
    {
        return bits_[(pushed_ + bits_.size() - 1 - static_cast<std::size_t>(age)) % bits_.size()];
    }

    MskTrellis trellis_;
    std::array<Bit, kWindowBits> bits_{};
    MskTrellis::Path path_{};
    std::uint64_t pushed_ = 0;
};
