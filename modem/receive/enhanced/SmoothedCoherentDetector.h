// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The coherent detector's second look: each bit read again, kSideBits later,
// against a channel reference taken from the bits on both sides of it.
//
// The carrier loop's phase at a bit comes from the bits before it alone. Where
// the path's phase turns (into and out of a fade, where two rays cancel and their
// sum swings round) the loop lags the path; and through a fade the trellis still
// weighs every bit alike, so the noise of the bits in the fade counts in a path's
// metric as much as the clear bits around them. Here each bit's sample on the
// best path's state, with the carrier loop's phase taken off, is what the loop
// left of the path: its gain, a e^(j phi), plus noise. The reference for the bit
// kSideBits back is the sum of those samples over kSideBits bits either side of it
// (not its own: a bit must not vouch for itself). A steady turn across the window
// cancels between its two sides, where the loop lags it; the amplitude of the
// reference is the path's about the bit, so a bit in a fade weighs as little in
// the trellis as it tells.
//
// The bit is then scored on a trellis of its own, e^(-j theta) conj(g) for both
// tones in place of e^(-j theta): the same states, since g is taken on the first
// trellis's states. The samples after the bit come from the first trellis's best
// path, still tentative, those before it from the same path, decided by now.
// Where an over's start sets the carrier phase afresh, the window reaches across:
// the first trellis's path runs on through it, and each sample is taken against
// the phase of its own bit, so the preamble's last bits are read against the
// over's first (kept apart, they were read against the noise's phase alone, and
// the 63-baud start after a 40 Hz pull-in lost its first character).
// Decisions come out kSideBits later than the first trellis's. One step per bit;
// allocates nothing.

#include "modem/dsp/ComplexMath.h"
#include "modem/receive/enhanced/MskTrellis.h"

#include <array>
#include <cstdint>

class SmoothedCoherentDetector {
public:
    static constexpr int kSideBits = 6;      // the reference's reach either side of the bit
    static constexpr int kWindowBits = 2 * kSideBits + 1;
    static_assert(kWindowBits <= MskTrellis::kMaxDelay + 1, "the first trellis's path reaches back no further");

    explicit SmoothedCoherentDetector(int delay) : trellis_(delay) {}

    // After the first trellis's step for the newest bit: that bit's two tones, the
    // references it scored them against (e^(-j theta), each tone turned by half the
    // skew where it has one), and the first trellis. Unless `smooth`, the bit is
    // scored as the first trellis scored it, and decided as it was, later.
    void step(Complex zero, Complex one, Complex zeroReference, Complex oneReference, const MskTrellis& first,
              bool smooth = true);

    bool hasDecision() const { return trellis_.hasDecision(); }
    int decision() const { return trellis_.decision(); }

private:
    struct Bit {
        Complex zero, one;                     // matched-filter outputs
        Complex zeroReference, oneReference;   // as the first trellis had them
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
