// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Takes a steady carrier off the baseband before the frequency search and the
// detector see it, as a radio's automatic notch does. Squared, a carrier beside
// the station makes lines of its own and, multiplied with the station, products
// the search would score above the station's own lines; and the carrier loop
// would lock on it.
//
// Every 8 bits it takes the spectrum of the last 32 bits (Hann window) and looks
// for a line: the strongest bin within reach of the search, more than ten times
// the bins three away on either side (a thirty-second of the bit rate a bin:
// a station's spectrum, a bit rate wide, barely falls over three), standing as
// strongly in the window's older half as in its newer. Only a line that has
// stayed so in the same place for kSteadySeconds, and for kSteadyBits, is a
// carrier: a station's preamble is a steady tone too, but it fills both halves
// of a window for a few looks only. The notch then subtracts an estimate of the
// carrier, a * e^(j w n), whose complex amplitude a follows the remainder with a
// bandwidth of about 2 Hz, and is released when the line has not been seen for
// kReleaseSeconds.
//
// The look needs only the spectrum within reach. From 250 baud the front end
// leaves nothing above its stop band, 1400 Hz, and the decimated samples come
// far faster than that needs: the look takes every second (250 baud) or fourth
// (500 baud) sample of its window, as far as nothing the front end passes folds
// into reach, and transforms that. The bins are as wide as before and the
// transform a half or a quarter as long (at 500 baud the 512-point transform,
// 62.5 times a second, had taken a third of the chain's time).
//
// One step per decimated sample; allocates nothing (its transform is lent by
// the owner).

#include "modem/dsp/ComplexMath.h"
#include "modem/dsp/PhasorOscillator.h"

#include <kissfft/kissfft.hh>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>

class SteadyCarrierNotch {
public:
    static constexpr std::size_t kWindowBits = 32;
    static constexpr std::size_t kHopBits = 8;
    static constexpr std::size_t kLength = kWindowBits * 16;  // decimated samples in the window
    static constexpr Real kLineRatio = 10.0;       // over the bins kSideBins away
    static constexpr std::int64_t kSideBins = 3;
    // A line must stand in both halves of the window, each half's amplitude at
    // least kHalvesShare of the other's, in kSteadyBits / kHopBits looks (and
    // for kSteadySeconds). A clean preamble (42 bits, no noise, anywhere within
    // reach, text after it) stood so in at most 4 looks in a row, mostly 2;
    // 6 leave a margin of 2. Without the halves a preamble's line stood in up
    // to 11 looks (63 baud), and the notch waited 96 bits, or 2 s, after the
    // window had filled: a carrier that came on 2 s before an over at 31 baud,
    // 10 dB stronger than the station, was taken off only after the over's
    // first word, which the search, sitting on the carrier's products until
    // then, lost. Waiting 64 bits still lost it in most overs: the search,
    // restarted 16 bits after the notch engages, must have the station before
    // the text's first bit, 42 bits into the over. Half a second, rather than
    // the 2 s it was, takes a carrier that comes on with an over at 125 baud
    // off sooner: such an over lost its first 11 to 20 characters (a carrier 50 Hz
    // either side, as strong as the station or 10 dB stronger, at the 1 %
    // point + 7 dB), against 21 to 26 with 1 s and 36 to 42 with 2 s.
    static constexpr Real kSteadySeconds = 0.5;
    static constexpr std::size_t kSteadyBits = 48;
    static constexpr Real kHalvesShare = 0.8;
    static constexpr Real kReleaseSeconds = 2.0;
    // A line within a bin of the station's centre is not taken for a carrier.
    static constexpr Real kCentreBins = 1.0;
    // Looks in a row a candidate line may be missing (or moved) and still count
    // on (24 bits: fewer than a preamble's 42, so a preamble never adds up).
    static constexpr std::size_t kCandidateMisses = 3;
    static constexpr Real kNotchHz = 2.0;          // the amplitude estimate's bandwidth
    // The share of the frequency error (read from the amplitude estimate's turn
    // between two looks) taken off at each look, and the largest turn believed.
    static constexpr Real kFrequencyGain = 0.5;
    static constexpr Real kMaxTurn = 1.0;          // radians
    // Bits after engaging by which the estimate has settled and a search started
    // afresh sees no more of the carrier (a search window's length).
    static constexpr std::size_t kSettlingBits = 16;

    // The look's transform length, kLength over the largest power of two by which
    // the window's samples can be thinned without folding anything below
    // frontStopHz into reach.
    static std::size_t lookLength(Real bitRate, Real reachHz, Real frontStopHz);

    // bitRate: R; reachHz: how far from the centre a carrier matters (the
    // search's range and a bit rate more); frontStopHz: where the front end's
    // stop band begins; transform: lookLength() points.
    SteadyCarrierNotch(Real bitRate, Real reachHz, Real frontStopHz, const kissfft<Real>& transform);

    // The decimated sample with the carrier, if one is notched, taken off.
    Complex step(Complex z)
    {
        history_[write_] = history_[write_ + kLength] = z;
        write_ = write_ + 1 == kLength ? 0 : write_ + 1;
        filled_ = std::min(filled_ + 1, kLength);
        if (filled_ == kLength && ++sinceLook_ >= kHopBits * 16) {
            sinceLook_ = 0;
            look();
        }
        if (!engaged_)
            return z;
        const Complex turn = std::conj(carrier_.step(carrierHz_ / tickRate_));  // e^(j w n)
        const Complex y = z - amplitude_ * turn;
        amplitude_ += adaptation_ * y * std::conj(turn);
        if (settlingLeft_ > 0 && --settlingLeft_ == 0)
            ++engagements_;
        return y;
    }

    // Whether a station is being read cleanly, and where (Hz from the centre,
    // the frequency search's estimate): the notch then does not engage on the
    // station's own lines.
    void setStation(bool read, Real offsetHz)
    {
        stationRead_ = read;
        stationHz_ = offsetHz;
    }

    bool engaged() const { return engaged_; }
    Real carrierHz() const { return carrierHz_; }  // of the notched carrier
    // How many times a notch has engaged and settled (each time the search
    // should start afresh).
    std::uint64_t engagements() const { return engagements_; }

private:
    void look();
    bool atStationCentre(std::int64_t bin) const;
    // Whether the line at this bin stands in both halves of the window, each
    // with at least kHalvesShare of the other's amplitude.
    bool fillsWindow(std::int64_t bin) const;

    Real tickRate_;
    std::size_t lookLength_;
    std::size_t stride_;             // kLength / lookLength_: the window's samples per look sample
    Real binHz_;
    std::size_t reachBins_;
    std::size_t steadyHops_;
    std::size_t releaseHops_;
    Real adaptation_;
    const kissfft<Real>* transform_;

    std::array<Complex, 2 * kLength> history_{};  // ring, stored twice
    std::array<Real, kLength> hann_{};         // lookLength_ of them in use
    std::array<Complex, kLength> in_{};
    std::array<Complex, kLength> out_{};
    std::array<Real, kLength> power_{};
    std::size_t write_ = 0;
    std::size_t filled_ = 0;
    std::size_t sinceLook_ = 0;

    std::int64_t candidateBin_ = 0;
    std::size_t candidateHops_ = 0;  // hops the candidate has stayed
    std::size_t candidateMisses_ = 0;  // looks in a row without it since
    std::size_t missedHops_ = 0;     // hops without the notched line

    bool stationRead_ = false;
    Real stationHz_ = 0;
    bool engaged_ = false;
    Real carrierHz_ = 0;
    PhasorOscillator carrier_;       // e^(-j w n): its conjugate is the carrier's turn
    Complex amplitude_{};
    Complex lookedAmplitude_{};      // at the last look, for the frequency
    std::size_t settlingLeft_ = 0;   // decimated samples
    std::uint64_t engagements_ = 0;
};
