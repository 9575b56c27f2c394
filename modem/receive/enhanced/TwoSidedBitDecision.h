// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The fading detector's final say on a bit: the bit decided again against a
// channel reference taken from its neighbours on both sides, the bits before it
// (already decided) and the bits after it (the trellis's best path, still
// tentative).
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
// likelihood of the samples about the bit on a fading path in noise, their
// covariance set from the SNR this block measures.
//
// In a fade the reference's noise is the neighbours': one a side holds two bits'
// noise against the bit's one. At 31 baud, while the measured Eb/N0 is below
// 23 dB, the window takes two a side, which halves it: the gain moves little
// more over two bits than over one (the design spread leaves it correlated by
// 0.92 against 0.98). Above that the errors are the nulls' quick turns, which
// the second neighbours have not shared, and the window keeps one a side; so
// it does for a bit whose second neighbour misses the first by more than noise
// would. Measured at 31 baud, 8 seeds: Rayleigh 1 Hz at +6 dB 3.5 -> 3.2 % of
// the characters wrong, CCIR moderate at +3 dB 3.9 -> 3.5 %; with the line at
// 25 dB a 98-character text at +30 dB in Rayleigh 1 Hz lost a character more,
// and moderate fading from +12 dB up 0.1 to 0.2 points.
//
// How the neighbours' samples are turned: the phase at a bit's start is the
// previous one's turned back by pi h by a 1 bit, forward by a 0. Both
// hypotheses for the bit share the phase of its start, set by the bit before it;
// the bits after it start half a turn apart under the two, so their samples,
// turned onto the hypothesis's phase, change sign with it. Only the phases
// relative to the bit before it count, so it needs no state of the trellis. One
// step per bit; allocates nothing.

#include "modem/dsp/ComplexMath.h"
#include "modem/receive/enhanced/MskTrellis.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cmath>
#include <cstdint>
#include <optional>

class TwoSidedBitDecision {
public:
    static constexpr int kMaxReach = 2;  // neighbours a side, at most
    using Following = std::array<int, kMaxReach>;

    // delay: the bits between the newest bit and the one decided (the trellis's);
    // the neighbours after the bit reach no further than that.
    explicit TwoSidedBitDecision(int delay) : delay_(std::clamp(delay, 1, MskTrellis::kMaxDelay))
    {
        correlation_.fill(1);  // a still path, until the speed is known
        weigh();
    }

    // Every bit: the two tones' matched-filter outputs with the carrier loop's
    // phase taken off.
    void push(Complex zero, Complex one)
    {
        tones_[pushed_ % tones_.size()] = {zero, one};
        ++pushed_;
    }

    // The speed: the bit rate, which sets how far the gain of a path of
    // kDesignSpreadHz moves in a bit, and the modulation index h, by which a bit
    // turns the phase pi h (a quarter turn, as near as the tones allow).
    void setSpeed(Real bitRate, Real modulationIndex)
    {
        if (bitRate == bitRate_ && modulationIndex == modulationIndex_)
            return;
        bitRate_ = bitRate;
        modulationIndex_ = modulationIndex;
        turn_ = unitPhasor(kPi * modulationIndex);
        const Real sigma = kDesignSpreadHz / 2;
        const Real oneBit = std::exp(-2 * kPi * kPi * sigma * sigma / (bitRate * bitRate));
        for (std::size_t d = 0; d < kWindow; ++d)
            correlation_[d] = std::pow(oneBit, static_cast<Real>(d * d));
        weigh();
    }

    // The bit `delay` bits before the newest, decided again; following: the bits
    // after it on the trellis's best path, the next one first.
    int decide(const Following& following)
    {
        // Every sample in the window turned onto the phase of the previous bit's
        // start. A bit's start is the one before's turned back by pi h after a 1
        // and forward after a 0: the earlier bits are turned on by the bits
        // between, the later ones back, and the later ones' turn depends on the
        // hypothesis for this bit.
        // The second neighbours are looked at only where they may be asked for.
        const int reach = wide_ ? kMaxReach : 1;
        std::array<Complex, kWindow> z{};
        Complex turned{1, 0};
        for (int i = 1; i <= reach; ++i) {
            const auto d = static_cast<std::size_t>(i - 1);
            const Tones& tones = at(delay_ + i);
            z[kCentre - i] = (decided_[d] ? tones.one : tones.zero) * turned;
            if (i < reach)
                turned *= std::conj(startTurn(decided_[d + 1]));
        }
        const Complex start = startTurn(decided_[0]);
        // The later bits' samples less this bit's own turn, which the
        // hypothesis sets.
        std::array<Complex, kMaxReach + 1> later{};
        Complex onward = start;
        for (int i = 1; i <= reach; ++i) {
            const int next = following[static_cast<std::size_t>(i - 1)];
            const Tones& tones = at(delay_ - i);
            later[static_cast<std::size_t>(i)] = (next ? tones.one : tones.zero) * onward;
            onward *= startTurn(next);
        }
        // The second neighbours only where each agrees with the first on its
        // side, as on a path that barely moves in two bits: not where the gain
        // jumps (a radio's AGC pumping on static) or turns fast, nor where a
        // wrong decision turned one of them.
        const bool wide = wide_ && still(z[kCentre - 1], z[kCentre - 2]) && still(later[1], later[2]);
        const Tones& bit = at(delay_);
        std::array<Real, 2> score{};
        std::array<Complex, 2> sample{}, reference{};
        for (int b = 0; b < 2; ++b) {
            const auto h = static_cast<std::size_t>(b);
            sample[h] = (b ? bit.one : bit.zero) * start;
            z[kCentre] = sample[h];
            for (int i = 1; i <= reach; ++i)
                z[static_cast<std::size_t>(kCentre + i)] = later[static_cast<std::size_t>(i)] * startTurn(b);
            reference[h] = z[kCentre - 1] + z[kCentre + 1];
            if (!wide) {
                score[h] = (sample[h] * std::conj(reference[h])).real() + referenceWeight_ * std::norm(reference[h]) +
                           energyWeight_ * std::norm(sample[h]);
                continue;
            }
            // The samples' log-likelihood, -z^H Q z, and that of the other tone's
            // output, noise alone, which adds |u|^2 (both in noise powers, dropped
            // as both hypotheses share them).
            Real quadratic = 0;
            for (std::size_t i = 0; i < kWindow; ++i)
                for (std::size_t j = 0; j < kWindow; ++j)
                    quadratic += (*wide_)[i][j] * (std::conj(z[i]) * z[j]).real();
            score[h] = std::norm(sample[h]) - quadratic;
        }
        for (std::size_t i = kMaxReach - 1; i > 0; --i)
            decided_[i] = decided_[i - 1];
        decided_[0] = score[1] >= score[0] ? 1 : 0;
        const auto chosen = static_cast<std::size_t>(decided_[0]);
        measure(sample[chosen], reference[chosen]);
        return decided_[0];
    }

    int decision() const { return decided_[0]; }
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
    static constexpr std::size_t kWindow = 2 * kMaxReach + 1;
    static constexpr int kCentre = kMaxReach;
    using Matrix = std::array<std::array<Real, kWindow>, kWindow>;
    // The Doppler spread the weights are set for: twice the fastest the detector
    // is meant for, as the samples' own misfit (about 26 dB below the signal)
    // reads as noise. Measured at 31 baud, Rayleigh 1 Hz, +30 dB: floor 1.2 % set
    // for 1 Hz, 0.4 % for 2 Hz, 0.5 % for 4 Hz.
    static constexpr Real kDesignSpreadHz = 2.0;
    static constexpr Real kLowestEbOverN0 = 0.01;    // -20 dB: below, the weights barely change
    static constexpr Real kHighestEbOverN0 = 1000;   // 30 dB: the gain's turn within a bit sets a floor
    static constexpr Real kWideEbOverN0 = 200;       // 23 dB, as measured here: two neighbours a side below
    // ... at 31 baud only: at 125 baud it gained nothing measurable in fading,
    // and flutter (10 Hz), which the second neighbours have not shared, read a
    // floor of 23.4 % against 20.8 %.
    static constexpr Real kWideBelowBitRate = 50;
    // A second neighbour counts only while it misses the first by less than this
    // many times the difference's noise power (noise alone: 1.8 % of the time).
    static constexpr Real kStillMiss = 4;
    static constexpr Real kMissPerNoise = 1.5;       // the miss's power in one sample's noise powers
    static constexpr Real kMeasureBits = 64;         // bits

    Complex startTurn(int bit) const { return bit ? turn_ : std::conj(turn_); }

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

    // The likelihood of the samples in the window on a path whose gain is
    // complex Gaussian with the design spread's correlation, rho^(d^2) over d
    // bits, times the snr, in noise of unit power, and that of the other tone's
    // output, noise alone: -z^H Q z + |u|^2, with Q the inverse of the window's
    // covariance. With one neighbour a side the covariance is [[a, b, c], [b, a,
    // b], [c, b, a]], a = snr + 1, b and c the correlation over one bit and two
    // times the snr, and the score reduces to Re(u conj g) plus weighted |g|^2
    // and |u|^2, g the neighbours' sum. A still path in noise: +1/2 and +1/2
    // (the sum of the three samples, as a differential detector over three
    // bits); with less noise than the gain's turn over a bit, |g|^2 counts
    // against.
    void weigh()
    {
        const Real snr = std::clamp(ebOverN0(), kLowestEbOverN0, kHighestEbOverN0);
        const Real a = snr + 1;
        const Real b = snr * correlation_[1];
        const Real c = snr * correlation_[2];
        referenceWeight_ = (a * c - b * b) / (2 * b * (a - c));
        energyWeight_ = (a * a + a * c - 2 * b * b - a - c) / (2 * b);
        if (bitRate_ < kWideBelowBitRate && snr < kWideEbOverN0 && delay_ >= kMaxReach) {
            if (!wide_)
                wide_.emplace();
            invert(snr, *wide_);
        } else {
            wide_.reset();
        }
    }

    // Q for two neighbours a side, by Gauss-Jordan elimination: the covariance
    // is positive definite, so no pivot is ever small.
    void invert(Real snr, Matrix& out) const
    {
        Matrix covariance{};
        for (std::size_t i = 0; i < kWindow; ++i)
            for (std::size_t j = 0; j < kWindow; ++j) {
                covariance[i][j] = snr * correlation_[i > j ? i - j : j - i] + (i == j ? 1 : 0);
                out[i][j] = i == j ? 1 : 0;
            }
        for (std::size_t k = 0; k < kWindow; ++k) {
            const Real pivot = covariance[k][k];
            for (std::size_t j = 0; j < kWindow; ++j) {
                covariance[k][j] /= pivot;
                out[k][j] /= pivot;
            }
            for (std::size_t i = 0; i < kWindow; ++i) {
                if (i == k)
                    continue;
                const Real f = covariance[i][k];
                for (std::size_t j = 0; j < kWindow; ++j) {
                    covariance[i][j] -= f * covariance[k][j];
                    out[i][j] -= f * out[k][j];
                }
            }
        }
    }

    // Two neighbours' samples on one side agree as a still path's do in noise:
    // their difference holds two samples' noise.
    bool still(Complex nearer, Complex farther) const { return std::norm(nearer - farther) <= kStillMiss * 2 * noise_; }

    // The bit `age` bits before the newest.
    const Tones& at(int age) const
    {
        return tones_[(pushed_ + tones_.size() - 1 - static_cast<std::size_t>(age)) % tones_.size()];
    }

    int delay_;
    Real bitRate_ = 0;
    Real modulationIndex_ = 0;
    Complex turn_{0, 1};  // e^(j pi h)
    std::array<Real, kWindow> correlation_{};  // the gain's over 0, 1, 2 ... bits
    Real miss_ = 0;
    Real noise_ = 0;    // one sample's noise power
    Real power_ = 0;    // one sample's mean power
    Real referenceWeight_ = 0.5;   // one neighbour a side: the weight of |g|^2
    Real energyWeight_ = 0.5;      // ... and of |u|^2
    std::optional<Matrix> wide_;   // Q for two a side, where they are asked for
    std::array<Tones, MskTrellis::kMaxDelay + kMaxReach + 1> tones_{};
    std::uint64_t pushed_ = 0;
    std::array<int, kMaxReach> decided_{};  // the bits decided last, the newest first
};
