// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Which of the two detectors gives the decisions: the coherent one (the slow
// carrier loop's phase and a steady amplitude) or the one for fast fading
// (FadingDetector, a reference that follows the path bit by bit).
//
// Each reference predicts the next bit's sample on its best path; the one whose
// predictions miss by less fits the channel now. The slow reference is a steady
// path on the carrier loop's phase at the amplitude of the last few bits, so the
// slow swell and fall of a fade does not count against it, only the phase it
// leaves behind. On white noise it misses by the noise alone, about 2 sigma^2,
// while the fast one, which is the previous bit, carries that bit's noise as
// well and misses by about 4 sigma^2; when the path turns faster than the
// carrier loop follows, the slow one also misses by the phase it lags, which soon
// outweighs that. The misses are averaged over about 32 bits.
//
// On a steady path the choice leaves the coherent detector only when the fast
// reference misses by less than 0.7 of it (so that noise alone never moves it:
// near the threshold a reference made of one noisy bit costs decibels, and well
// above it the coherent detector's own small misfits outweigh the noise), and
// comes back when the coherent one misses by less than 0.8 of the fast one. The
// share 0.7 and the 4-bit amplitude were measured against the 1 % points of
// slower fading (CCIR good at 31 baud and moderate at 125 baud).
//
// On a path that fades, the choice leaves as soon as the fast reference misses by
// less at all: there the coherent detector's misses are the phase the loop lags
// about the nulls, not noise. Whatever the path, it comes back once the coherent
// detector misses by no more than the noise (1.1 times one sample's noise power,
// as the fading detector measures it): the carrier loop follows the path again.
// Holding out for 0.7 kept CCIR moderate fading at 31 baud on the coherent
// detector for about 40 % of each over, and coming back at 0.8 brought it back in
// the calm stretches between the nulls, so that the next null's bits were read on
// the lagging loop before 32 bits of average moved the choice again (Rayleigh
// 1 Hz at 31 baud, -12 dB: 53 % of the characters wrong, against 43 % with every
// decision from the fading detector).
//
// A path fades when its amplitude over about 64 bits spreads as a fading path's
// does: mean power over squared mean amplitude, less 1, is 4 / pi - 1 = 0.27 for
// a Rayleigh path, and about 1 / (4 Eb/N0) for a steady one in noise (measured
// over an over at 31 baud, in 2500 Hz: 0.05 at -8 dB, 0.10 at -12 dB, 0.14 at
// -15 dB, where 30 % of the characters are wrong). The line is drawn at 0.15, and
// a fading path counts as steady again only below 0.10, so that a spread that
// hovers about the line keeps one set of rules. Noise alone spreads as a Rayleigh
// path does, and the step from noise to a station spreads the mean too, so the
// path must also have stood 2.5 noise powers above the noise (Eb/N0 above 1.8 dB)
// for 128 bits, by which the noise before it weighs e^-2 in the mean; the
// preamble counts, as an over's start carries the spread over.
//
// Where the coherent detector reads each tone on a phase of its own (the skew two
// rays leave between the tones, from 100 bits a second), which the fast reference
// knows nothing of, it leaves at 0.7 whatever the path does: there the carrier
// loop follows the fading anyway (1 Hz is 0.008 of the bit rate at 125 baud), and
// the quicker move cost CCIR poor at 125 baud 0.4 points of its floor.
// One step per bit; allocates nothing.

#include "modem/dsp/ComplexMath.h"

#include <cmath>

class DetectorSelector {
public:
    static constexpr Real kErrorMemory = 1.0 / 32;     // per bit: the misses' average
    static constexpr Real kAmplitudeGain = 0.25;       // per bit: the slow reference's level, about 4 bits
    static constexpr Real kLeaveCoherentRatio = 0.7;   // steady path: fast misses below this share of the slow ones
    static constexpr Real kReturnRatio = 0.8;          // steady path: slow misses below this share of the fast ones
    static constexpr Real kLeaveFadingRatio = 1.0;     // fading path: fast misses below the slow ones
    static constexpr Real kReturnNoiseRatio = 1.1;     // any path: slow misses below this many noise powers
    static constexpr int kSpreadBits = 64;             // bits the amplitude's spread is measured over
    static constexpr Real kFadingSpread = 0.15;        // power / amplitude^2 - 1 beyond which the path fades
    static constexpr Real kSteadySpread = 0.10;        // ... and below which a fading path counts as steady again
    static constexpr Real kPresentNoiseRatio = 2.5;    // the path's power in noise powers, to count as fading
    static constexpr int kPresentBits = 2 * kSpreadBits;  // ... for so long, so that no noise is left in the spread

    // aligned: the coherent detector's best branch on the carrier phase;
    // fastError: the fading detector's prediction error for the same bit;
    // noise: one sample's noise power, as the fading detector measures it;
    // skewed: the coherent detector reads each tone on a phase of its own.
    void step(Complex aligned, Real fastError, Real noise, bool skewed)
    {
        const Real amplitude = std::abs(aligned);
        if (!started_) {
            started_ = true;
            level_ = amplitude;
            slowError_ = fastError_ = level_ * level_;
        }
        // The slow reference: a steady path of the recent amplitude, on the carrier.
        const Real slowError = std::norm(aligned - Complex(level_, 0));
        level_ = std::abs(level_ + kAmplitudeGain * (aligned.real() - level_));
        slowError_ += kErrorMemory * (slowError - slowError_);
        fastError_ += kErrorMemory * (fastError - fastError_);
        if (!measuring_) {
            measuring_ = true;
            meanAmplitude_ = amplitude;
            meanPower_ = amplitude * amplitude;
        }
        meanAmplitude_ += (amplitude - meanAmplitude_) / kSpreadBits;
        meanPower_ += (amplitude * amplitude - meanPower_) / kSpreadBits;
        if (meanPower_ <= kPresentNoiseRatio * noise)
            present_ = 0;
        else if (present_ < kPresentBits)
            ++present_;

        // Once fading, the path counts as fading until its spread falls well back,
        // so that a path whose spread hovers about the line keeps one set of rules.
        const Real spread = fading_ ? kSteadySpread : kFadingSpread;
        fading_ = !skewed && present_ >= kPresentBits && meanPower_ > (1 + spread) * meanAmplitude_ * meanAmplitude_;
        if (!fast_ && fastError_ < (fading_ ? kLeaveFadingRatio : kLeaveCoherentRatio) * slowError_)
            fast_ = true;
        else if (fast_ && (slowError_ < kReturnNoiseRatio * noise || (!fading_ && slowError_ < kReturnRatio * fastError_)))
            fast_ = false;
    }

    // An over's start: it begins on the coherent detector, as after a fresh start.
    // The path's spread and how long it has stood above the noise carry over: the
    // preamble before it was the same path.
    void restart()
    {
        DetectorSelector fresh;
        fresh.measuring_ = measuring_;
        fresh.present_ = present_;
        fresh.meanAmplitude_ = meanAmplitude_;
        fresh.meanPower_ = meanPower_;
        fresh.fading_ = fading_;
        *this = fresh;
    }
    bool fast() const { return fast_; }
    Real slowError() const { return slowError_; }
    Real fastError() const { return fastError_; }

private:
    bool started_ = false;
    bool fast_ = false;
    bool fading_ = false;
    bool measuring_ = false;
    int present_ = 0;  // bits in a row the path has stood above the noise, up to kPresentBits
    Real level_ = 0;
    Real slowError_ = 0;
    Real fastError_ = 0;
    Real meanAmplitude_ = 0;
    Real meanPower_ = 0;
};
