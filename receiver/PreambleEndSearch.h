#pragma once
// Finds the bit grid at the end of the preamble. The preamble is a long run of 1
// bits (one steady tone), which tells a timing loop nothing; the text starts
// after it with "0 0" and the start value 0. After at least 16 detected 1 bits in
// a row, the first bit that reads as a 0 against the carrier loop's phase (a
// coherent reading, far surer in noise than comparing the tones' energies)
// starts a one-time search: over strobes u from one and a half bits before to
// half a bit after the current strobe, in half samples, the pattern "1 1 0 0"
// with its first 0 ending at u scores the summed energies of the four bits'
// filters, and the best u is the bit grid. The current bit becomes the first 0,
// at u: the detector has taken every bit before it as a 1, so when the first 0
// was misread (the strobe straddling two bits), the preamble merely gains a 1
// and no bit of the text is lost or added. If no "0 0" follows at the best u (the
// two bits there no stronger in the 0 tone than in the 1 tone), the 0 was noise
// inside the preamble and the grid stays. One step per bit; the search reads
// about 1.6 bits ahead of the strobe.

#include "BitMatchedFilters.h"

#include <optional>

class PreambleEndSearch {
public:
    static constexpr int kSamplesPerBit = 16;
    static constexpr int kRunBits = 16;               // 1 bits before the end can be sought
    static constexpr Real kSearchFrom = -24.0;        // samples from the strobe
    static constexpr Real kSearchTo = 8.0;
    static constexpr Real kSearchStep = 0.5;
    static constexpr Real kLookAhead = kSearchTo + kSamplesPerBit + 1;  // samples read past the strobe

    // True when a bit that reads as a 0 now may end the preamble.
    bool armed() const { return run_ >= kRunBits; }

    // The strobe of the first 0 after the preamble near the strobe t, or nothing
    // when no "0 0" follows there.
    std::optional<Real> search(const BitMatchedFilters& filters, Real t) const;

    // The detected bit; returns true when a run of at least kRunBits 1 bits just
    // ended (the preamble's end, whether or not the search ran).
    bool note(int bit)
    {
        const bool ended = !bit && run_ >= kRunBits;
        run_ = bit ? run_ + 1 : 0;
        return ended;
    }

private:
    // The bits ending at u and u + 16 are stronger in the 0 tone.
    static bool twoZeros(const BitMatchedFilters& filters, Real u);

    int run_ = 0;
};
