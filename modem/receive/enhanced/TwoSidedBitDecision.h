// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The fading detector's final say on a bit: the bit decided again against a
// channel reference taken from both of its neighbours, the bit before it (already
// decided) and the bit after it (the trellis's best path, still tentative).
//
// A reference from the previous bit alone lags the path by one bit: on a path
// whose phase turns, the bit is read against where the phase was, not where it is.
// At 31 baud a 1 Hz Doppler spread (Gaussian, sigma 0.5 Hz) leaves the path's gain
// correlated by exp(-2 pi^2 0.5^2 0.032^2) = 0.995 from one bit to the next, and
// that lag alone misreads (1 - 0.995) / 2 = 0.25 % of the bits, some 2 % of the
// characters. The mean of the gains just before and just after the bit cancels a
// steady turn or swell across it; what is left is the curvature, of the order of
// the square of that 0.005, and the reference holds two bits' noise instead of one.
//
// Near a null the gain passes through zero and turns half a turn, and the
// neighbours' sum under the wrong hypothesis is their difference, the gain's
// slope; the bit's weak sample cannot tell that from a still path by Re(u conj g)
// alone (0.25 % of the bits at 1 Hz, all at nulls). So the score is the
// likelihood of the three samples on a fading path in noise: Re(u conj g) plus
// weighted |g|^2 and |u|^2, the weights set from the SNR this block measures.
//
// How the neighbours' samples are turned: the phase at a bit's start is the
// previous one's turned back by pi h by a 1 bit, forward by a 0. Both
// hypotheses for the bit share the phase of its start, set by the bit before it;
// the bit after it starts half a turn apart under the two, so its sample, turned
// onto the hypothesis's phase, changes sign with it; g is the sum of the two
// neighbours, u the bit's sample. Only the phases relative to the bit before it count, so it needs no state of
// the trellis. One step per bit; allocates nothing.

#include "modem/dsp/ComplexMath.h"
#include "modem/receive/enhanced/MskTrellis.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cmath>
#include <cstdint>

class TwoSidedBitDecision {
public:
    // delay: the bits between the newest bit and the one decided (the trellis's).
    explicit TwoSidedBitDecision(int delay) : delay_(std::clamp(delay, 1, MskTrellis::kMaxDelay)) {}

    // Every bit: the two tones' matched-filter outputs with the carrier loop's
    // phase taken off.
    void push(Complex zero, Complex one)
    {
        tones_[pushed_ % tones_.size()] = {zero, one};
        ++pushed_;
    }

    // The speed: the bit rate, which sets how far the gain of a path of
    // kDesignSpreadHz moves in one bit and in two, and the modulation index h, by
    // which a bit turns the phase pi h (a quarter turn, as near as the tones allow).
    void setSpeed(Real bitRate, Real modulationIndex)
    {
        if (bitRate == bitRate_ && modulationIndex == modulationIndex_)
            return;
        bitRate_ = bitRate;
        modulationIndex_ = modulationIndex;
        turn_ = unitPhasor(kPi * modulationIndex);
        const Real sigma = kDesignSpreadHz / 2;
        oneBit_ = std::exp(-2 * kPi * kPi * sigma * sigma / (bitRate * bitRate));
        twoBits_ = std::pow(oneBit_, 4);  // exp(-2 pi^2 sigma^2 (2 T)^2)
        weigh();
    }

    // The bit `delay` bits before the newest, decided again; following: the bit
    // after it on the trellis's best path.
    int decide(int following)
    {
        const Tones& before = at(delay_ + 1);
        const Tones& bit = at(delay_);
        const Tones& after = at(delay_ - 1);
        const Complex previous = last_ ? before.one : before.zero;
        // The bit's start, turned back from the previous bit's by pi h after a 1
        // and forward after a 0, taken off: e^(+j pi h) or e^(-j pi h).
        const Complex start = last_ ? turn_ : std::conj(turn_);
        const Complex next = following ? after.one : after.zero;
        std::array<Real, 2> score{};
        std::array<Complex, 2> sample{}, reference{};
        for (std::size_t b = 0; b < 2; ++b) {
            sample[b] = (b ? bit.one : bit.zero) * start;
            // The next bit's start, turned off the same way once more.
            reference[b] = previous + next * start * (b ? turn_ : std::conj(turn_));
            score[b] = (sample[b] * std::conj(reference[b])).real() + referenceWeight_ * std::norm(reference[b]) +
                       energyWeight_ * std::norm(sample[b]);
        }
        last_ = score[1] >= score[0] ? 1 : 0;
        measure(sample[static_cast<std::size_t>(last_)], reference[static_cast<std::size_t>(last_)]);
        return last_;
    }

    int decision() const { return last_; }
    // How far the decided bit's sample missed the mean of its neighbours, squared.
    Real miss() const { return miss_; }
    // One sample's noise power, as the misses measure it.
    Real noise() const { return noise_; }
    // The path's mean Eb/N0 as this decision measures it (a power ratio).
    Real ebOverN0() const { return noise_ > 0 ? std::max(power_ - noise_, Real(0)) / noise_ : 0; }

private:
    struct Tones {
        Complex zero;
        Complex one;
    };
    // The Doppler spread the weights are set for: twice the fastest the detector
    // is meant for, as the samples' own misfit (about 26 dB below the signal)
    // reads as noise. Measured at 31 baud, Rayleigh 1 Hz, +30 dB: floor 1.2 % set
    // for 1 Hz, 0.4 % for 2 Hz, 0.5 % for 4 Hz.
    static constexpr Real kDesignSpreadHz = 2.0;
    static constexpr Real kLowestEbOverN0 = 0.01;    // -20 dB: below, the weights barely change
    static constexpr Real kHighestEbOverN0 = 1000;   // 30 dB: the gain's turn within a bit sets a floor
    static constexpr Real kMissPerNoise = 1.5;       // the miss's power in one sample's noise powers
    static constexpr Real kMeasureBits = 64;         // bits

    // The noise from how far the bit's sample misses the mean of its neighbours
    // (its own noise and half of theirs: 1.5 times one sample's), the power from
    // the sample itself; both averaged over about kMeasureBits.
    void measure(Complex sample, Complex reference)
    {
        miss_ = std::norm(sample - reference / Real(2));
        noise_ += (miss_ / kMissPerNoise - noise_) / kMeasureBits;
        power_ += (std::norm(sample) - power_) / kMeasureBits;
        weigh();
    }

    // The weights of |g|^2 and |u|^2 against Re(u conj g) that make the score the
    // likelihood of the three samples (before, bit, after) of a path whose gain
    // is complex Gaussian with the design spread's correlation, in noise of unit
    // power: their covariance is [[a, b, c], [b, a, b], [c, b, a]], a = snr + 1,
    // b and c the gain's correlation over one bit and two times the snr. The
    // inverse's entries give the weights. A still path in noise: +1/2 and +1/2
    // (the sum of the three samples, as a differential detector over three bits);
    // with less noise than the gain's turn over a bit, |g|^2 counts against.
    void weigh()
    {
        const Real snr = std::clamp(ebOverN0(), kLowestEbOverN0, kHighestEbOverN0);
        const Real a = snr + 1;
        const Real b = snr * oneBit_;
        const Real c = snr * twoBits_;
        referenceWeight_ = (a * c - b * b) / (2 * b * (a - c));
        energyWeight_ = (a * a + a * c - 2 * b * b - a - c) / (2 * b);
    }

    // The bit `age` bits before the newest.
    const Tones& at(int age) const
    {
        return tones_[(pushed_ + tones_.size() - 1 - static_cast<std::size_t>(age)) % tones_.size()];
    }

    int delay_;
    Real bitRate_ = 0;
    Real modulationIndex_ = 0;
    Complex turn_{0, 1};  // e^(j pi h)
    Real oneBit_ = 1;   // the gain's correlation over one bit
    Real twoBits_ = 1;  // and over two
    Real miss_ = 0;
    Real noise_ = 0;    // one sample's noise power
    Real power_ = 0;    // one sample's mean power
    Real referenceWeight_ = 0.5;
    Real energyWeight_ = 0.5;
    std::array<Tones, MskTrellis::kMaxDelay + 2> tones_{};
    std::uint64_t pushed_ = 0;
    int last_ = 0;
};
