// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The decision-directed phase-locked loop of the coherent detector: tracks the
// carrier phase theta (radians, at the start of each bit) and its drift per bit
// omega, from the phase error of the best path's newest branch.
//
// At 31 and 63 baud the tones are a little closer than a quarter of the bit rate
// (h = 0.484), so a bit turns the phase by h * pi rather than the trellis's pi / 2;
// the loop adds the difference, +-(pi / 2 - h pi), itself, so the trellis stays
// exact and the loop sees no steady drift.
//
// How fast the loop follows is set from how clearly it hears the signal: a
// fading channel turns the phase within tens of bits at 31 baud, which only a
// wide loop follows, while in weak signals a wide loop lets noise through. The
// bandwidth grows with the square root of Eb/N0, from the narrowest (best in
// white noise near the threshold) to the widest, which still averages over a few
// bits. One step per bit.

#include "modem/dsp/ComplexMath.h"
#include "modem/receive/enhanced/LoopGains.h"

#include <algorithm>
#include <cmath>

class CarrierPhaseLoop {
public:
    static constexpr Real kNoiseBandwidthBits = 0.02;  // B_L * T, the narrowest
    static constexpr Real kWidestBandwidthBits = 0.3;  // B_L * T
    static constexpr Real kBandwidthPerRootSnr = 0.02; // B_L * T per sqrt(Eb/N0)
    // The frequency search leaves far less than a hundredth of the bit rate on a
    // steady station, and up to about 0.03 R behind one drifting by 0.5 Hz a second
    // at 31 baud; the drift is held to 0.05 R, so that noise between overs cannot
    // walk it off further (and it falls back towards 0 once nothing has been
    // heard for a while: see kUnheardSeconds).
    static constexpr Real kMaxDrift = 2 * kPi * 0.05;  // radians per bit
    // A drift this near its limit once no station is heard is no station's: the
    // noise after a strong over walked it there while the over's Eb/N0 still
    // counted it heard, and a reply 1 s later (250 baud, +10 dB) found the loop
    // locked beside it, slipping a cycle every few bits, through its preamble:
    // it lost its first word. The drift starts again from 0, where the search
    // has put the station. (While a station is heard the limit holds: as the
    // search moves onto a station 40 Hz off at 63 baud, the drift held there
    // helps the loop along, and starting it from 0 cost that over's first word.)
    static constexpr Real kWalkedDrift = 0.9 * kMaxDrift;
    // A station drifting steadily (a rig warming up: 0.5 Hz a second is 0.0032
    // radians per bit squared at 31 baud) turns the drift itself at a steady rate,
    // which a second-order loop follows only with a standing phase error of
    // ramp / omega_n^2 (0.2 radians or more near the threshold). A third integral
    // learns the ramp; it is held to what 2 Hz a second makes at 31 baud. It
    // learns only from a station read cleanly: noise would walk it to its limit
    // between overs, and the next over's first words would pay for it.
    static constexpr Real kMaxRamp = 2 * kPi * 0.002;  // radians per bit squared
    // At a preamble's end the ramp of a drifting station is not yet known, and
    // the correction's trend, which takes most of it off, builds up over about
    // 100 bits; until then the loop follows the rest with a standing phase error
    // (0.3 radians at 31 baud, 0.5 Hz a second and -11 dB), enough near the
    // threshold to slip a quarter turn and lose the over's first words. So on a
    // station seen drifting the third integral first learns with a growing
    // memory: a least-squares parabola through the phase of the first m bits
    // changes its curvature by 60 / ((m + 1)(m + 2)(m + 3)) of the newest
    // error, counted as if kRampMemoryStartBits had already been seen. The gain
    // is held to kFastRampShare of kp ki (the loop is stable only while kr stays
    // below kp ki) and falls to the steady one about 90 bits in at the
    // narrowest bandwidth.
    static constexpr Real kFastRampShare = 0.3;
    static constexpr Real kRampMemoryStartBits = 10;
    // Bits after a fresh start by which the drift has settled (about two time
    // constants of the loop, 1 / omega_n = 27 bits).
    static constexpr int kSettlingBits = 48;
    // Left to itself between overs the loop locks on the noise's own paths,
    // which turn steadily, and walks the drift towards its limit; the next
    // over's preamble is too short for the narrow loop to unlearn a hertz or
    // more, and its first characters were lost (a reply on the same frequency
    // after 5 or 10 s of noise, at 31 baud). So once nothing has been heard
    // for longer than a fade lasts, the drift falls back towards 0 by this
    // share a bit: the frequency is the search's, to a hundredth of the bit
    // rate, and a station's own residual is learnt again within its preamble.
    static constexpr Real kUnheardSeconds = 2.0;
    static constexpr Real kUnheardDriftMemory = 0.95;

    CarrierPhaseLoop(Real modulationIndex, Real bitRate)
        : gains_(kNoiseBandwidthBits), excessTurn_(kPi / 2 - kPi * modulationIndex),
          unheardLimit_(static_cast<int>(std::ceil(kUnheardSeconds * bitRate)))
    {
    }

    Real phase() const { return theta_; }        // radians
    Real drift() const { return omega_; }        // radians per bit
    Real bandwidth() const { return bandwidth_; }  // B_L * T

    // The bandwidth for a signal of this Eb/N0 (a power ratio).
    static Real bandwidthFor(Real ebOverN0)
    {
        return std::clamp(kBandwidthPerRootSnr * std::sqrt(std::max<Real>(ebOverN0, 0)), kNoiseBandwidthBits,
                          kWidestBandwidthBits);
    }
    void setBandwidth(Real bandwidthBits)
    {
        if (bandwidthBits == bandwidth_)
            return;
        bandwidth_ = bandwidthBits;
        gains_ = LoopGains(bandwidthBits);
    }

    // error: the branch's phase error (radians); bit: the branch's bit; clean:
    // whether the detector reads a station cleanly; drifting: whether that
    // station is seen drifting (the ramp is then learnt quickly at first);
    // memoryWeight (0 to 1): how far this bit may move the drift and the ramp,
    // the loop's memory (the phase itself follows every bit in full).
    void step(Real error, int bit, bool clean, bool drifting = false, Real memoryWeight = 1)
    {
        theta_ = wrapAngle(theta_ + omega_ + gains_.proportional * error + (bit ? excessTurn_ : -excessTurn_));
        const Real taught = memoryWeight * error;
        // With no station heard, the ramp moves the drift on only for a station the
        // search sees drifting: a steady station's ramp is its noise, and carried
        // on through a pause it walked the drift half a hertz off in 2 s at 63
        // baud, where the reply's first word was then misread.
        const Real ramp = unheardBits_ == 0 || drifting ? ramp_ : 0;
        omega_ = std::clamp(omega_ + ramp + gains_.integral * taught, -kMaxDrift, kMaxDrift);
        if (clean) {
            ramp_ = std::clamp(ramp_ + (drifting ? rampGain() : gains_.ramp) * taught, -kMaxRamp, kMaxRamp);
            if (cleanBits_ < kLongAgoBits)
                ++cleanBits_;
        }
        if (sinceStart_ < kSettlingBits)
            ++sinceStart_;
    }
    // The third integral's gain for a drifting station, now.
    Real rampGain() const
    {
        const Real m = static_cast<Real>(cleanBits_) + kRampMemoryStartBits;
        const Real growingMemory = 60 / ((m + 1) * (m + 2) * (m + 3));
        return std::max(gains_.ramp, std::min(growingMemory, kFastRampShare * gains_.proportional * gains_.integral));
    }

    // Whether a station is heard at this bit (see kUnheardSeconds); once a bit,
    // before step().
    void hear(bool heard)
    {
        if (heard) {
            unheardBits_ = 0;
            return;
        }
        if (std::abs(omega_) >= kWalkedDrift)
            omega_ = 0;
        if (unheardBits_ < unheardLimit_)
            ++unheardBits_;
        else
            omega_ *= kUnheardDriftMemory;
    }

    // Whether the drift has had time to settle since the last fresh start.
    bool settled() const { return sinceStart_ >= kSettlingBits; }
    // The oscillator before the loop moved by this many radians per bit: once the
    // drift has settled it is the residual frequency, so take the move off it.
    void shiftDrift(Real radiansPerBit) { omega_ = std::clamp(omega_ - radiansPerBit, -kMaxDrift, kMaxDrift); }

    // The frequency search jumped to another station reading: start afresh.
    void forgetDrift()
    {
        omega_ = 0;
        ramp_ = 0;
        sinceStart_ = 0;
    }
    // The preamble's end fixed the phase directly; the over may be another
    // station's, drifting its own way.
    void setPhase(Real radians)
    {
        theta_ = wrapAngle(radians);
        ramp_ = 0;
        cleanBits_ = 0;
    }

private:
    Real bandwidth_ = kNoiseBandwidthBits;
    LoopGains gains_;
    Real excessTurn_;  // radians per bit
    Real theta_ = 0;
    Real omega_ = 0;
    Real ramp_ = 0;  // radians per bit squared
    // Bits read cleanly since a preamble's end fixed the phase (none yet: long ago).
    static constexpr int kLongAgoBits = 1 << 20;
    int cleanBits_ = kLongAgoBits;
    int sinceStart_ = 0;
    int unheardLimit_;     // kUnheardSeconds in bits
    int unheardBits_ = 0;  // in a row not heard, up to unheardLimit_
};
