// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// How clearly a station reads at a candidate frequency offset: the check the
// frequency search makes before it moves its estimate.
//
// The squared signal's lines say where a station might be, but a neighbour or a
// carrier makes lines too (the square of a sum holds every product), and the
// product of two stations 60 Hz apart can stand above both stations' own lines.
// What only the true offset gives is bits: turned back by the offset, the last 16
// bits fall into the one-bit matched filters of the two tones. At each of the 16
// timing phases, each bit's energy is the larger of the two filters' |c|^2; the
// reading is the best phase's mean over the weaker half of the bits, over 16
// times the power within 1.5 R of the offset. A clean station alone reads 16,
// noise alone about 4 (rarely above 6); a product of two stations or a carrier
// near the offset puts little into the filters and its power into the floor.
// Only the weaker half counts because an offset half a bit rate off turns one
// tone into the other filter and the other tone into none: half the bits read
// well there, the other half not at all.
//
// Also given: the share of bits the 1 filter takes at that phase (a steady tone
// reads as all 1s or all 0s). One step per decimated sample (16 per bit) stores
// the sample; a reading costs a 256-point transform and about 2000 complex
// multiplications, so it is made only when asked. Allocates nothing after
// construction.

#include "modem/dsp/ComplexMath.h"

#include <kissfft/kissfft.hh>

#include <array>
#include <cstddef>

class OffsetQuality {
public:
    static constexpr int kSamplesPerBit = 16;
    static constexpr int kBits = 16;                          // bits a reading looks back on
    static constexpr std::size_t kWindow = kBits * kSamplesPerBit;  // 256: the transform's length
    static constexpr std::size_t kSpan = kWindow + kSamplesPerBit;  // the first bit needs one more bit before it
    static constexpr Real kBandBits = 1.5;                    // times R each side: the floor's band
    static constexpr Real kLobeBits = 0.75;                   // times R each side: a station's main lobe
    // One outer part of the floor's band (beyond the main lobe) over the
    // other, beyond which the stronger holds something else (noise's two
    // parts, 12 bins each, differ by some 30 %).
    static constexpr Real kLopsidedBand = 4.0;
    // The main lobe over the weaker outer part, from which a station is there:
    // noise's is about 2 (25 bins against 12); a station at its white-noise
    // 1 % point + 7 dB gives some 20 at 125 baud.
    static constexpr Real kLobeOverSide = 8.0;

    struct Reading {
        Real quality = 0;    // 16 for a clean station, about 4 for noise
        Real onesShare = 0;  // of the bits the 1 filter (lower tone) took
        // The weaker half's mean |c|^2 itself: readings at two offsets compare
        // by this, since each one's floor holds whatever lies near it.
        Real energy = 0;
    };

    // bitRate: R; modulationIndex: h of the speed (the tones' ramps).
    OffsetQuality(Real bitRate, Real modulationIndex);

    void step(Complex z)
    {
        history_[write_] = history_[write_ + kSpan] = z;
        write_ = write_ + 1 == kSpan ? 0 : write_ + 1;
        if (filled_ < kSpan)
            ++filled_;
    }
    // Whether a whole span has been stored since the start.
    bool ready() const { return filled_ >= kSpan; }
    // The reading at offsetHz above the centre, over the newest kSpan samples.
    Reading at(Real offsetHz);

private:
    Real tickRate_;
    Real bandBins_;
    Real innerBins_;
    std::array<Complex, kSamplesPerBit> zeroRamp_{};
    std::array<Complex, kSamplesPerBit> oneRamp_{};
    Complex zeroBack_;
    Complex oneBack_;
    kissfft<Real> transform_;

    std::array<Complex, 2 * kSpan> history_{};  // ring, stored twice
    std::size_t write_ = 0;
    std::size_t filled_ = 0;
    std::array<Complex, kSpan> turned_{};      // the span turned back by the offset
    std::array<Real, kSpan> zeroEnergy_{};     // |c0|^2 of the bit ending at each sample
    std::array<Real, kSpan> oneEnergy_{};
    std::array<Complex, kWindow> spectrum_{};
    std::array<Real, kBits> bitEnergy_{};
};
