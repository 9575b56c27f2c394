// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Finds the bit grid at the end of the preamble. The preamble is a long run of 1
// bits (one steady tone), which tells a timing loop nothing; the text starts
// after it with "0 0" and the start value 0. When at least 15 of the coherent
// detector's last 16 branches said 1 (one may be noise), a bit that reads as a 0
// against the carrier loop's phase starts a one-time search: over strobes u from
// one bit before to half a bit after the current strobe, in half samples, the
// last few bits of the preamble and the "0 0" after it, with the first 0 ending
// at u, are added up coherently: each bit's matched filter in its own tone,
// turned back by the quarter turns the bits before it made. On the right grid
// they add in phase. Off it by d samples, the 1 bits turn one way and the 0 bits
// the other (a quarter turn for each bit's worth of d) and the bits at the change
// of tone straddle both tones, so the sum falls on both counts; the unknown
// carrier phase drops out of its magnitude. Scoring energies alone (each bit in
// its own tone less in the other) leaves only the straddle, and in noise put the
// grid a third of a bit or more off in about one over in ten, enough to lose the
// first character. The
// best u is the bit grid. The current bit becomes the first 0, at u, or the
// second, at u + 16, when the detector's last branch already said 0: every bit it
// took as a 1 stays a 1, so when the first 0 was misread (the strobe straddling
// two bits), the preamble merely gains a 1 and no bit of the text is lost or
// added. If no "0 0" follows at the best u (the two bits there no
// stronger in the 0 tone than in the 1 tone), the 0 was noise inside the
// preamble and the grid stays. One step per bit; the search reads about 1.6 bits
// ahead of the strobe.

#include "modem/receive/enhanced/BitMatchedFilters.h"

#include <bit>
#include <cstdint>
#include <optional>

class PreambleEndSearch {
public:
    static constexpr int kSamplesPerBit = 16;
    static constexpr int kRunBits = 16;               // bits looked back on
    static constexpr int kRunOnes = 15;               // of them 1, for the end to be sought
    static constexpr Real kSearchFrom = -16.0;        // samples from the strobe
    static constexpr Real kSearchTo = 8.0;
    static constexpr Real kSearchStep = 0.5;
    static constexpr int kReferenceOnes = 4;          // preamble bits added before its end
    static constexpr Real kLookAhead = kSearchTo + kSamplesPerBit + 1;  // samples read past the strobe

    // True when a bit that reads as a 0 now may end the preamble.
    bool armed() const { return std::popcount(recent_ & kRunMask) >= kRunOnes; }

    // The strobe of the first 0 after the preamble near the strobe t, or nothing
    // when no "0 0" follows there. Once found, the search waits for a new run of
    // 1 bits (the strobe may have moved back a bit, onto bits already seen).
    std::optional<Real> search(const BitMatchedFilters& filters, Real t);

    // The newest branch's bit; returns true when it is a 0 that may end a
    // preamble (whether or not the search ran).
    bool note(int bit)
    {
        const bool ended = !bit && armed();
        recent_ = (recent_ << 1) | (bit ? 1u : 0u);
        return ended;
    }

private:
    // How strongly the last kReferenceOnes bits of the preamble and the "0 0" after
    // it, the first 0 ending at u, add up in phase (squared magnitude).
    static Real openingScore(const BitMatchedFilters& filters, Real u);
    // The bits ending at u and u + 16 are stronger in the 0 tone.
    static bool twoZeros(const BitMatchedFilters& filters, Real u);

    static constexpr std::uint32_t kRunMask = (1u << kRunBits) - 1;
    std::uint32_t recent_ = 0;  // the newest branches' bits, newest lowest
};
