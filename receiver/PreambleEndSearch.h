#pragma once
// Finds the bit grid at the end of the preamble. The preamble is a long run of 1
// bits (one steady tone), which tells a timing loop nothing; the text starts
// after it with "0 0". After at least 16 detected 1 bits in a row, the first bit
// whose 0-tone filter is stronger than its 1-tone filter starts a one-time search:
// over strobes u from one bit before to half a bit after the current strobe, in
// half samples, the pattern "1 1 0 0" with its first 0 ending at u scores the
// summed energies of the four bits' filters, and the best u is the bit grid. If
// it lies more than half a bit early, the 0 seen was already the second one and
// the grid moves on a bit. One step per bit; the search itself reads about 1.6
// bits ahead of the strobe.

#include "BitMatchedFilters.h"

class PreambleEndSearch {
public:
    static constexpr int kSamplesPerBit = 16;
    static constexpr int kRunBits = 16;               // 1 bits before the end can be sought
    static constexpr Real kSearchFrom = -16.0;        // samples from the strobe
    static constexpr Real kSearchTo = 8.0;
    static constexpr Real kSearchStep = 0.5;
    static constexpr Real kLookAhead = kSearchTo + kSamplesPerBit + 1;  // samples read past the strobe

    // True when this bit, with these filter outputs, ends a preamble.
    bool ends(Complex zero, Complex one) const { return run_ >= kRunBits && std::norm(zero) > std::norm(one); }

    // The strobe of the first 0 bit of the text, near the strobe t.
    Real search(const BitMatchedFilters& filters, Real t) const;

    // The detected bit; returns true when a run of at least kRunBits 1 bits just
    // ended (the preamble's end, whether or not the search ran).
    bool note(int bit)
    {
        if (bit) {
            ++run_;
            return false;
        }
        const bool ended = run_ >= kRunBits;
        run_ = 0;
        return ended;
    }

private:
    int run_ = 0;
};
