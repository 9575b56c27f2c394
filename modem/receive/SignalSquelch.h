// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Signal-presence squelch: decides from the frequency search's spectral lines
// whether a signal of the selected speed is on the air, and holds the selected
// chain's decisions back a few bits while it decides.
//
// It opens when the lines in the search's long average stand out of the noise
// floor further than noise alone ever takes them (a level per speed, set from
// white noise), which a signal's preamble does well below the level where text
// decodes, and the lines stand out as far in the last few transforms too. It closes
// when the long average falls back to the level of noise, or, far sooner, when
// the coherent detector's signal amplitude over the last few bits falls below
// half its long-run level for three bits in a row: the station stopped sending.
// Decisions wait kHoldBits bits in a queue and leave it in order: while open they
// reach the decoder, while closed they are dropped, so the first bits of an over,
// decided before the squelch opened, are still printed, and the junk decided from
// the noise after its end is not. When it opens, the decoder resumes at a word
// boundary, so that neither noise decided just before the over nor the tail of
// a preamble's run of 1 bits can read as a word: right after a run of 1 bits
// held in the queue (a preamble; its closing 0 bits then end an empty word), or
// at the first 0 to come if that run is still going on; else after the queue's
// last "0 0". One step per bit;
// allocates nothing.

#include "modem/receive/ReceiverSettings.h"

#include <array>
#include <cstddef>
#include <cstdint>

struct SquelchLevels {
    Real open;      // the long average's line-to-floor ratio that opens
    Real close;     // ... and that closes
    Real fade;      // the quick presence below which the lines are not there now
};

// The levels for a speed (by its tick rate, 16 ticks per bit).
SquelchLevels squelchLevels(Real tickRate);

class SignalSquelch {
public:
    static constexpr std::size_t kHoldBits = 8;
    static constexpr Real kFadeRatio = 0.5;   // recent over long-run amplitude
    static constexpr int kFadedBits = 3;      // in a row, to close
    // The long average is trusted once it spans this many bits of transforms
    // (right after a start or a change of speed it is a single noisy one).
    static constexpr std::uint64_t kSettledBits = 32;
    static constexpr std::size_t kPreambleOnes = 4;  // 1 bits before a "0 0" that mark a preamble's end

    // A new bit of the enhanced chain: the bits the frequency search's transforms
    // span so far, its long-average line-to-floor ratio and quick presence, and
    // the detector's amplitudes.
    void update(const SquelchLevels& levels, std::uint64_t searchedBits, Real lineToFloor, Real presence,
                Real recentAmplitude, Real amplitude)
    {
        if (searchedBits < kSettledBits)
            lineToFloor = 0;
        faded_ = recentAmplitude < kFadeRatio * amplitude ? faded_ + 1 : 0;
        // The long average remembers a station for many bits after it stopped:
        // it may open only while the lines are there now.
        if (!open_ && lineToFloor > levels.open && presence > levels.open && faded_ == 0) {
            open_ = true;
            resumeAtWordBoundary();
        }
        else if (open_ && (lineToFloor < levels.close || faded_ >= kFadedBits))
            open_ = false;
    }

    bool open() const { return open_; }

    // One decision in; returns true with the oldest held decision in `out` when
    // that one is to be heard.
    bool pass(Real d, Real& out)
    {
        const bool full = held_ == kHoldBits;
        const Real oldest = queue_[next_];
        queue_[next_] = d;
        next_ = (next_ + 1) % kHoldBits;
        if (!full) {
            ++held_;
            return false;
        }
        out = oldest;
        if (skip_ > 0) {
            --skip_;
            return false;
        }
        if (open_ && toFirstZero_) {
            if (oldest > 0)
                return false;
            toFirstZero_ = false;
        }
        return open_;
    }

private:
    void resumeAtWordBoundary()
    {
        // Held decisions, oldest first, are queue_[(oldest + k) % kHoldBits].
        const std::size_t oldest = (next_ + kHoldBits - held_) % kHoldBits;
        const auto one = [&](std::size_t k) { return queue_[(oldest + k) % kHoldBits] > 0; };
        // A preamble's run of 1 bits: resume right after it (its closing 0 bits
        // end an empty word), or, if it runs on, at the first 0 to come.
        std::size_t run = 0;
        std::size_t afterRun = 0;
        for (std::size_t k = 0; k < held_; ++k) {
            run = one(k) ? run + 1 : 0;
            if (run >= kPreambleOnes)
                afterRun = k + 1;
        }
        if (afterRun > 0) {
            skip_ = afterRun;
            toFirstZero_ = afterRun == held_;
            return;
        }
        // Else after the last "0 0".
        skip_ = 0;
        for (std::size_t k = 1; k < held_; ++k)
            if (!one(k - 1) && !one(k))
                skip_ = k + 1;
    }

    std::array<Real, kHoldBits> queue_{};
    std::size_t next_ = 0;   // the oldest held decision, and where the next goes
    std::size_t held_ = 0;
    std::size_t skip_ = 0;   // oldest held decisions still to drop
    bool toFirstZero_ = false;  // dropping 1 bits until the first 0
    int faded_ = 0;
    bool open_ = false;
};
