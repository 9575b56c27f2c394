// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The automatic frequency correction: finds how far the station sits from the
// centre frequency, within +-45 Hz (+-50 Hz at 500 baud), from the signal itself.
//
// Squaring an MSK signal turns it into a two-tone signal whose lines sit at twice
// the offset plus and minus half the bit rate; the preamble's steady tone squares
// into one line at twice the offset minus twice the tone spacing. Every two bits
// the search takes the spectrum of the squared, band-limited signal over the last
// 16 bits (Hann window, zero-padded), adds it to a slowly forgetting average, and
// scores every candidate offset on a grid of R / 128 by the two data lines or the
// preamble line, whichever is stronger. The estimate jumps to the best candidate
// only when that scores more than twice the current one, and otherwise follows
// the local peak around the current one; so noise and a lopsided pair (one line
// missing, which is really a preamble line misread) cannot pull a settled
// estimate away.
//
// Lines alone cannot tell a station from what stands beside it: the square of a
// station and a neighbour holds their product, a line halfway between them that
// can outscore both stations' own, and a carrier squares into a line read as
// half a pair. So before it jumps, the search asks the matched filters
// (OffsetQuality) at the best reading, at the next few peaks of the scores, at
// the centre (where the operator tuned) and at the current estimate, and moves
// to the candidate whose bits read clearly better than at the current
// estimate; when none does, it stays. (Only where nothing reads at the estimate,
// noise, is the best line taken at once, unchecked: a station starting up gets
// its first words read before half a reading's bits are its own.) While the
// detector does not hold it, the search also reads the bits at its estimate on
// every transform: one steady tone there for longer than a preamble is no
// station (a carrier, or a strong neighbour seen half a bit rate off, whose
// lines outscore everything, so that the scores alone would never propose a
// move), and the candidates are asked then too.
//
// A neighbour a little more than a bit rate away and stronger than the station
// (6 dB, 150 Hz at 125 baud) is on the air before the station starts: its
// products are the best line, and the estimate sits on one a quarter of a bit
// rate from the station, where the bits read nearly as well. So while not held
// the candidates are asked once a reading's length anyway, the centre winning
// on a somewhat better reading; an estimate the detector read cleanly a moment
// ago stays while its bits still read (the neighbour's leak lets go of the
// hold for a few bits at a time); and on a station read cleanly the tracking
// does not climb the slope the products make beside the station's lines unless
// the carrier loop's residual frequency points the same way.
//
// One step per decimated sample (16 per bit). Allocates nothing after
// construction: its transform (made for plan.transformSize) is lent by the owner.

#include "modem/dsp/ComplexMath.h"
#include "modem/dsp/DecimatingLowPass.h"
#include "modem/receive/SpeedPlan.h"
#include "modem/receive/enhanced/OffsetQuality.h"

#include <kissfft/kissfft.hh>

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

class FrequencySearch {
public:
    static constexpr Real kForgetting = 0.97;       // of the average, per two bits
    static constexpr Real kJumpRatio = 2.0;         // best over current score to jump
    static constexpr Real kMinJumpBits = 0.01;      // times R: smaller moves are tracking
    static constexpr Real kTrackSpanBits = 0.05;    // times R: the local peak's reach
    static constexpr Real kLopsidedRatio = 0.25;    // weaker over stronger line of a real pair
    static constexpr Real kPreambleWeight = 1.3;    // the single line's weight against a pair
    static constexpr std::size_t kGridPerBit = 128; // candidates per R of offset
    static constexpr Real kRecentForgetting = 0.8;  // of the quick average, per two bits
    // The quick average this far below the long one (-60 dB) is silence, not a
    // fade: the band's noise never drops so far. Nor does a strong station's deep
    // fade: at 36 dB SNR a fade 10 dB deep leaves the noise 46 dB below the long
    // average, which -30 dB took for silence, closing the squelch in the fades
    // (CCIR moderate at 125 baud lost 4 % of the text). About 2.3 s of silence at
    // 63 baud: (0.8 / 0.97)^72 = 1e-6 with a transform every two bits.
    static constexpr Real kSilentBelowAverage = 1e-6;
    static constexpr Real kTrendMemory = 0.98;      // of the estimate's trend, per transform
    // The check of a jump by the matched filters (OffsetQuality's reading: a
    // clean station 16, noise about 4 and rarely above 6).
    static constexpr std::size_t kOtherCandidates = 3;  // peaks of the scores besides the best
    static constexpr Real kQualityGain = 1.25;   // a candidate's reading over the current one's, to jump
    static constexpr Real kQualityFloor = 5.5;   // a candidate reading less is noise
    // At the centre, where the operator tuned, less is asked (see verifiedJump()).
    static constexpr Real kCentreQualityGain = 1.15;
    static constexpr Real kCentreEnergyShare = 0.7;  // of the estimate's bit energy
    // A candidate whose bits nearly all read as 0s is a steady upper tone (a
    // carrier, or a station seen half a bit rate off), which a text never is;
    // nearly all 1s is a preamble, or a carrier on the lower tone: at a
    // candidate it counts for a little less than a station sending text.
    static constexpr Real kZerosOnlyShare = 0.2;  // of 1s, at or below which a candidate reads 0
    static constexpr Real kOnesOnlyShare = 0.85;  // of 1s, from which a reading is weighted
    static constexpr Real kSteadyToneWeight = 0.8;
    // A steady tone read for longer than a preamble (42 bits, and a reading's 16)
    // at the current estimate is not a station there: the estimate sits on a
    // carrier, or half a bit rate beside a station, and its reading counts 0.
    static constexpr std::size_t kLongestSteadyBits = 64;
    // Held, the best line this many times the estimate's score is a station the
    // detector reads from beside it (see search()).
    static constexpr Real kLinelessRatio = 8.0;
    // Held, a reading at the estimate with at most one 1 in its 16 bits is a
    // steady upper tone: a text's bits hold a 1 in every code word, which
    // begins and ends with one, and even a text heavy in 0s reads three 1s in
    // a reading (see search()).
    static constexpr Real kPreambleBelowShare = 1.5 / OffsetQuality::kBits;
    // ... and the estimate's lower line, in the last few transforms, under
    // this share of the line of the preamble above.
    static constexpr Real kLonePreambleRatio = 0.05;
    // Held, the estimate has no lines of its own in the last few transforms
    // where its presence is below this (noise alone gives about 2).
    static constexpr Real kNoLinesPresence = 2.0;
    // ... while the long average holds lines there this many times its floor.
    static constexpr Real kRememberedLines = 8.0;
    // An estimate left as a steady tone (for that, or for a preamble at the
    // centre) is no candidate, nor a line to take unchecked, within a quarter
    // of the bit rate, for 320 bits (10 s at 31 baud), or until the search
    // starts afresh (as the notch takes the carrier off).
    static constexpr std::size_t kShunnedBits = 320;
    static constexpr Real kShunnedSpanBits = 0.25;
    // Bits after the detector last read a station cleanly at the estimate
    // during which it still counts as the station's, and bits it must have
    // read it there in all since the last jump (see search()).
    static constexpr std::size_t kHeldLatelyBits = 64;
    // A move the regular check of the candidates proposes must be this far
    // (times R): nearer, the bits read about as well on either side (a tenth
    // of the bit rate off costs a one-bit filter 3 % of the energy), and noise
    // or a carrier beside the station picks the winner.
    static constexpr Real kRecheckApartBits = 0.2;
    // Times R: an estimate this far from the centre reading a steady tone gives
    // way at once to a preamble at the centre.
    static constexpr Real kFarFromCentreBits = 0.5;
    // Times R: a preamble this near the centre is also read there, its tone at
    // most this far below the centre's lower filter, which then takes
    // sinc^2(0.5) = 41 % or more of the energy its own filter does (see
    // verifiedJump()).
    static constexpr Real kCentreReadsToneBits = 0.5;
    // A preamble at the centre holds at least this many times the energy the
    // estimate's steady tone leaks into the centre's filter, to be its own
    // (and a candidate beside a preamble that holds no more is reading it).
    // Measured at 31 baud: a reply's leak read 0.95 to 1.05 times that at an
    // SNR of 10 dB and more (in 2500 Hz), up to 1.35 at 4 dB (the noise adds);
    // a station's own preamble beside a carrier 10 dB stronger, 1.6 to 2.3 (it
    // beats with the carrier's leak, and a reading takes the weaker half of
    // its bits).
    static constexpr Real kOwnPreambleOverLeak = 1.5;
    // A tracking move to the edge of the reach on a station read cleanly is
    // made only where the carrier loop's residual frequency points the same
    // way, at least this share of the move (see track()).
    static constexpr Real kLoopAgreeShare = 0.5;
    // ... or where the estimate has been moving that way steadily, at least
    // this much (R per bit; 0.1 Hz a second at 31 baud): a drifting station,
    // whose drift the correction's trend takes off before the loop sees it.
    static constexpr Real kDriftingBits = 1e-4;
    // ... or where the estimate sits on no line of its own, but on the slope of
    // one beyond the reach: the scores rise from the estimate to the edge, no
    // point falling below this share of the highest before it, and the edge
    // scoring this many times the estimate. The detector can read a station
    // cleanly a tenth of a bit rate off it (at 500 baud, as an over starts
    // after noise left the estimate near the end of the range), where the
    // carrier loop, far outside its pull-in, does not point the way.
    static constexpr Real kSlopeValley = 0.9;
    static constexpr Real kSlopeRise = 1.5;

    FrequencySearch(const SpeedPlan& plan, const kissfft<Real>& transform);

    void step(Complex decimated)
    {
        preFilter_.push(decimated);
        quality_.step(decimated);
        if (++phase_ < squareDecimation_)
            return;
        phase_ = 0;
        const Complex z = preFilter_.output();
        squared_[write_] = squared_[write_ + window_] = z * z;
        write_ = write_ + 1 == window_ ? 0 : write_ + 1;
        if (filled_ < window_) {
            ++filled_;
            if (filled_ < window_)
                return;
            sinceSearch_ = hop_;  // the first full window is searched at once
        }
        if (++sinceSearch_ < hop_)
            return;
        sinceSearch_ = 0;
        search();
    }

    Real offsetHz() const { return offset_; }  // the station above the centre, Hz
    // The last transform's best score over the average spectrum's level (a signal
    // of this speed shows as lines far above 1); 0 before the first transform.
    Real lineToFloor() const { return lineToFloor_; }
    // How strongly the lines of a signal at the current estimate stand out in the
    // spectrum of the last few transforms (memory about 6 bits): the score there
    // over the quick average's mean level. Noise alone gives about 2; it rises
    // within a few bits of a signal's start and falls within a window's length
    // (16 bits) of its end. 0 before the first transform.
    Real presence() const { return presence_; }
    std::uint64_t transforms() const { return transforms_; }
    // How many times the estimate has jumped to a new reading (not tracking moves).
    std::uint64_t jumps() const { return jumps_; }

    // While held the estimate only follows the local peak and never jumps: the
    // detector reads a station cleanly at the current correction, and a stronger
    // reading elsewhere is something else (products of that station with a
    // neighbour or a carrier, which the squaring makes).
    void hold(bool on) { held_ = on; }
    bool held() const { return held_; }
    // The carrier loop's residual frequency, Hz: how far the station it follows
    // lies above the correction; and the correction's steady trend, Hz per bit
    // (a drifting station's).
    void setResidualHz(Real hz, Real trendHzPerBit = 0)
    {
        residualHz_ = hz;
        driftHzPerBit_ = trendHzPerBit;
    }
    // What was searched so far is no guide (a carrier was taken off the signal):
    // the next transform starts the averages afresh, and the estimate jumps to
    // its best reading.
    void restart();
    // The operator moved the centre frequency: the station stayed where it was, so
    // the estimate moves by shiftHz (within the range), and the averages, taken
    // at the old centre, start afresh.
    void retune(Real shiftHz);
    // The chain moved its mixer onto a drifting station it reads: the station's
    // baseband offset falls by about shiftHz. Unlike a retune nothing starts
    // afresh: the window, the averages and the trend are moved with the station
    // (by a whole number of the squared spectrum's bins). Returns the shift made.
    Real follow(Real shiftHz);
    // The frequency to correct by: the estimate, plus, for a drifting station,
    // how far it will have drifted beyond the estimate. The average spectrum
    // shows where the station was, on average, over the last second or two
    // (at 31 baud), so a steady trend of the estimate is carried forward by the
    // average's lag: a window's half plus the forgetting's time constant.
    Real correctionHz() const { return offset_ + trend_ * lagTransforms_; }

private:
    struct Peak {
        Real offset;
        Real score;
    };

    void search();
    // onStation: the detector reads a station at the estimate (lately).
    void track(bool onStation);
    // Whether the scores rise from the estimate to the edge of the reach
    // (grid points lo to hi - 1), upwards or downwards, without a valley.
    bool onSlope(std::size_t lo, std::size_t hi, bool upwards) const;
    Real spectrumAt(const Real* spectrum, Real hz) const;
    Real score(const Real* spectrum, Real offset, bool strict) const;
    Peak peak(std::size_t from, std::size_t to) const;
    // The best score of the last few transforms (the quick average) on the grid.
    Peak recentPeak() const;
    // The offset to jump to from the best reading, if its bits, or those at
    // another peak, read clearly better than at the current estimate.
    bool verifiedJump(const Peak& best, const OffsetQuality::Reading& now, Real& to);
    // A reading taken at an offset, weighted for a steady tone (see above).
    OffsetQuality::Reading weigh(OffsetQuality::Reading r, Real offset) const;
    // The reading at an offset, asked for only if kept holds none yet.
    OffsetQuality::Reading readOnce(std::optional<OffsetQuality::Reading>& kept, Real offset);
    // The reading at the current estimate, which also counts how long it has
    // been a steady tone.
    OffsetQuality::Reading current();
    // Whether a steady lower tone (a preamble) reads clearly at this offset, or
    // in this reading.
    bool preambleAt(Real offset);
    static bool isPreamble(const OffsetQuality::Reading& r);
    // Whether a preamble reads at the centre that is not the estimate's steady
    // tone leaking into the centre's filters.
    bool ownPreambleAtCentre();
    bool shunned(Real offset) const;
    // Whether the estimate sits where no line of a station stands (linesHere:
    // its score in the long average, whose mean level is floor), while one
    // stands far above it elsewhere whose bits read at least as well: to is
    // then that line. hereReading is the reading at the estimate, asked for
    // and kept there when needed.
    bool linelessJump(const Peak& best, Real linesHere, Real floor, std::optional<OffsetQuality::Reading>& hereReading, Real& to);
    // Whether the detector read a station cleanly at the estimate for a while,
    // a moment ago (a brief hold on noise, as an over starts, does not count).
    bool heldLately() const { return sinceHeldBits_ <= kHeldLatelyBits && heldHereBits_ >= kHeldLatelyBits; }

    Real bitRate_;
    Real twoToneOffsets_;  // Hz: the preamble line's distance below twice the offset
    Real binHz_;
    Real gridStep_;        // Hz
    std::size_t squareDecimation_;
    std::size_t window_;
    std::size_t hop_;
    std::size_t hopBits_;
    std::size_t size_;     // transform length
    Real forgetting_;      // per transform
    Real recentForgetting_;
    const kissfft<Real>* transform_;

    DecimatingLowPass preFilter_;
    OffsetQuality quality_;
    std::size_t phase_ = 0;      // decimated samples since the last squared one was taken
    std::size_t filled_ = 0;     // squared samples stored, up to the window
    std::size_t sinceSearch_ = 0;
    std::size_t write_ = 0;
    std::array<Complex, 2 * SpeedPlan::kMaxTransform / SpeedPlan::kZeroPadding> squared_{};  // ring, twice over
    std::array<Real, SpeedPlan::kMaxTransform / SpeedPlan::kZeroPadding> hann_{};
    std::array<Complex, SpeedPlan::kMaxTransform> in_{};
    std::array<Complex, SpeedPlan::kMaxTransform> out_{};
    std::array<Real, SpeedPlan::kMaxTransform> spectrum_{};
    std::array<Real, SpeedPlan::kMaxTransform> recent_{};
    static constexpr std::size_t kMaxGrid = 1024;
    std::array<Real, kMaxGrid> scores_{};
    std::size_t gridCount_ = 0;
    Real gridStart_ = 0;

    Real offset_ = 0;
    bool held_ = false;
    Real residualHz_ = 0;
    Real driftHzPerBit_ = 0;
    std::size_t steadyBits_ = 0;  // the estimate's bits have read as one tone this long
    std::size_t checkBits_ = 0;   // since the candidates were last asked, unheld
    static constexpr std::size_t kNeverHeld = 1u << 30;
    std::size_t sinceHeldBits_ = kNeverHeld;  // since the search was last held (at the estimate)
    std::size_t heldHereBits_ = 0;            // held in all since the estimate last jumped
    Real shunnedHz_ = 0;           // a steady tone left (see kShunnedBits)
    std::size_t shunnedBits_ = 0;  // ... shunned so many bits more
    Real trend_ = 0;          // Hz per transform
    Real lagTransforms_ = 0;  // the average spectrum's lag behind the signal
    Real lineToFloor_ = 0;
    Real presence_ = 0;
    std::uint64_t transforms_ = 0;
    std::uint64_t jumps_ = 0;
};
