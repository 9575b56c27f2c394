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
// when the long average falls back to the level of noise (unless the detector
// still reads a station clearly), or, far sooner, when
// the station stopped sending: the coherent detector's signal amplitude over the
// last few bits falls below half its long-run level for three bits in a row, and
// the lines in the last few transforms no longer stand out further than noise
// can take them (below the opening level). A fade takes the amplitude
// down as quickly as a station's end, but leaves the lines standing for longer;
// so on a fall of the amplitude alone the squelch waits, holding every decision
// back (up to kMaxHeldBits), until either the lines go (the station's end: what
// was held is dropped) or the amplitude comes back to three quarters of its
// long-run level (a fade: what was held is heard, late but whole; after a wait
// as long as a pause between overs, once no preamble's run follows within
// kSeekBits, for it may be a reply: see kNewOverAfterBits). A wait in which
// nothing was read (no bit at which the amplitude, turned up from its lowest,
// read cleanly) closes once kMaxHeldBits are held, as at an end: a strong
// station's lines stand for seconds after it stops, and the noise held was
// heard. Closed so, only a station read cleanly opens it again, and the same
// station's return only with its own amplitude. Near the
// noise a station's end may not take the amplitude below half its level at all
// (the noise alone holds it about there); so it also closes when, for three bits
// in a row, the lines are not there now (the quick presence below the fade
// level) and the amplitude is below three quarters of its level.
// Decisions wait kHoldBits bits in a queue and leave it in order: while open they
// reach the decoder, while closed they are dropped, so the first bits of an over,
// decided before the squelch opened, are still printed, and the junk decided from
// the noise after its end is not. When it opens, the decoder resumes at a word
// boundary, so that neither noise decided just before the over nor the tail of
// a preamble's run of 1 bits can read as a word: right after a run of 1 bits
// held in the queue (a preamble; its closing 0 bits then end an empty word), or
// at the first 0 to come if that run is still going on; else after the queue's
// last "0 0". Closing in the middle of a word (an over's idle code words
// "1010101011" are cut as often as not) leaves the decoder holding that word's
// first bits, which the next over's first "0 0" would print as a character of
// junk ("1010101" is "="): so on closing mid-word the squelch owes the decoder a
// word that no alphabet has, 13 1 bits (longer than the longest code word) and
// "0 0", which ends the cut word and prints nothing.
// When it opens with no preamble's run held, the lines have most likely risen
// before the detector had the station (the first bits of a preamble, read before
// the frequency search settled, come out as anything) and the preamble's run of 1
// bits is still to come: the squelch holds on for up to kSeekBits more, and if a
// run of kSeekRunOnes 1 bits arrives, resumes after it instead, so that the bits
// before it do not print junk ahead of the over. A station picked up in the
// middle of its text has no such run; its text is held kSeekBits longer and then
// heard from the same word boundary.
// A close is only sure once the station has stayed away: a deep fade takes the
// lines and the amplitude away as an end does, for seconds. So on closing
// nothing is printed, but what was held, and every decision after it, is kept
// for graceBits more bits; if the lines come back within them with a station the
// detector reads cleanly, the squelch opens again where it left off and hears it
// all, as it would with no squelch. Only after that are they dropped, and a cut
// word ended; or at once if what comes back is a new over (a preamble's run among
// the held decisions, or a run of kNewOverRunOnes within kSeekBits of opening,
// or the station found more than elsewhereBits from where it was at the close,
// as it opens or within those kSeekBits: a reply a few hertz off).
// One step per bit; allocates nothing.

#include "modem/receive/ReceiverSettings.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>

struct SquelchLevels {
    Real open;      // the long average's line-to-floor ratio that opens
    Real close;     // ... and that closes
    Real fade;      // the quick presence below which the lines are not there now
    std::size_t graceBits = 320;  // bits a close waits for the station to come back (10 s)
    // A station coming back this far (times R) from where it was as the squelch
    // closed is another: 6 Hz, as far as a station drifting 0.5 Hz a second
    // moves in a 10 s fade and a little more, but no nearer than the search's
    // tracking reaches in one step (see squelchLevels(); the default is 31
    // baud's).
    Real elsewhereBits = 0.2;
};

// The levels for a speed (by its tick rate, 16 ticks per bit).
SquelchLevels squelchLevels(Real tickRate);

class SignalSquelch {
public:
    static constexpr std::size_t kHoldBits = 8;
    static constexpr std::size_t kMaxHeldBits = 80;  // while waiting on a fall of the amplitude
    static constexpr Real kFadeRatio = 0.5;   // recent over long-run amplitude
    static constexpr Real kRecoveredRatio = 0.75;  // ... at which a fade is over
    static constexpr int kFadedBits = 3;      // in a row, to close
    // The long average is trusted once it spans this many bits of transforms
    // (right after a start or a change of speed it is a single noisy one).
    static constexpr std::uint64_t kSettledBits = 32;
    static constexpr std::size_t kPreambleOnes = 4;  // 1 bits before a "0 0" that mark a preamble's end
    static constexpr int kClearingOnes = 13;         // 1 bits of the word that ends a cut word
    // A station the detector reads this clearly (4.8 dB; noise alone reads about
    // 1.7) keeps the squelch open however low its lines in the long average: two
    // rays a bit apart (CCIR poor at 500 baud) smear the lines to the noise's
    // level while every bit still comes through.
    static constexpr Real kReadCleanlyEbOverN0 = 3.0;
    static constexpr std::size_t kSeekBits = 40;     // held on opening, for a preamble's run to come
    static constexpr std::size_t kSeekRunOnes = 16;  // 1 bits in a row that are a preamble
    // After a close, a run this long is taken for a new over's preamble: longer
    // than any in a code word (9), though the noise may have taken a preamble's
    // first bits. Taking text for a preamble only drops what was held.
    static constexpr std::size_t kNewOverRunOnes = 10;
    static constexpr std::size_t kMaxGraceBits = 5120;  // the longest graceBits
    // A wait this long may be a gap between two overs rather than a fade: at 31
    // baud a second, as soon as an operator can answer. When the amplitude comes
    // back after one, the text is held kSeekBits more for a reply's preamble.
    static constexpr std::size_t kNewOverAfterBits = 32;

    // A new bit of the enhanced chain: the bits the frequency search's transforms
    // span so far, its long-average line-to-floor ratio and quick presence, and
    // the detector's amplitudes.
    // ebOverN0: as the detector measures it (a power ratio; 0 when unknown).
    // stationBits: the frequency search's estimate of the station's offset, in
    // bit rates.
    void update(const SquelchLevels& levels, std::uint64_t searchedBits, Real lineToFloor, Real presence,
                Real recentAmplitude, Real amplitude, Real ebOverN0 = 0, Real stationBits = 0)
    {
        if (searchedBits < kSettledBits)
            lineToFloor = 0;
        faded_ = recentAmplitude < kFadeRatio * amplitude ? faded_ + 1 : 0;
        // The lines not there now and the amplitude not back at its level: near the
        // noise, where the noise alone holds the amplitude at about half its level
        // with a station, a station's end need not take it below kFadeRatio.
        gone_ = presence < levels.fade && recentAmplitude < kRecoveredRatio * amplitude ? gone_ + 1 : 0;
        if (pending_ && (pendingLeft_ == 0 || --pendingLeft_ == 0))
            endPending();
        if (waiting_)
            ++waitedBits_;
        // Noise that happens to open it while a close still waits must not print
        // all it held: the station is back only once the detector reads it cleanly
        // over the last few bits. The Eb/N0, measured over some 50 bits, stays
        // above that for a second or more after a station's end (85 bits after
        // one at 63 baud it still read 3.3, and a noise peak of the lines then
        // printed 17 characters of junk), so it counts only as far as the recent
        // amplitude has come back to its long-run level: squared, as a power. Not
        // beyond it: a new over after the noise lifts the recent amplitude far
        // above a long-run level still the noise's, and would be taken for the
        // old station back before its preamble's run is held (at 63 baud that
        // printed 10 s of held noise, 80 characters, ahead of the over).
        const Real recentShare = amplitude > 0 ? std::min(recentAmplitude / amplitude, Real(1)) : 0;
        const bool back = ebOverN0 * recentShare * recentShare > kReadCleanlyEbOverN0;
        readNow_ = ebOverN0 > kReadCleanlyEbOverN0;
        if (waiting_) {
            // Heard only where the amplitude has turned up again: as a wait
            // begins, the recent amplitude still holds the station's last bits,
            // falling bit by bit, a lowest point at each.
            if (recentShare < waitLowestShare_)
                waitLowestShare_ = recentShare;
            else if (back || ebOverN0 <= 0)
                waitHeard_ = true;
        }
        // A wait in which nothing was read has filled the longest hold: an end.
        const bool unreadWaitFull = waiting_ && !waitHeard_ && held_ >= kMaxHeldBits;
        // The long average remembers a station for many bits after it stopped:
        // it may open only while the lines are there now.
        if (!open_ && lineToFloor > levels.open && presence > levels.open && faded_ == 0) {
            // What comes back elsewhere is another station: a reply a few hertz
            // off, whose preamble was read at the old station's frequency and so
            // left no run among the held bits, is no fade's end.
            const bool newOver = pending_ && (preambleHeld() || elsewhere(levels, stationBits));
            // Closed on a wait in which nothing was read (a strong station's
            // end), only a station read cleanly opens it again: its lines stand
            // in the long average for seconds more (at 63 baud, 6 s after it
            // ended, 37 times the floor), and a noise peak of the quick
            // presence, with a run of 1 bits in the noise held, opened it and
            // printed 19 characters of junk. And the same station is back only
            // once its amplitude is too: the long-run amplitude soon becomes
            // the noise's, whose Eb/N0 then reads about 3 for a second or
            // more, and a noise peak of the lines reopened it (60 characters
            // of junk in the pause at 250 baud).
            if (unreadClose_ && !back)
                return;
            const bool amplitudeBack = !unreadClose_ || recentAmplitude >= kFadeRatio * waitAmplitude_;
            if (pending_ && (!back || !amplitudeBack) && !newOver)
                return;
            unreadClose_ = false;
            open_ = true;
            waiting_ = false;
            if (pending_ && !newOver) {
                // The station came back (a fade, not an end): it is heard on from
                // where the close left off, unless a preamble's run comes within
                // kSeekBits (the lines of a new over rise before its run is
                // decided), which drops all that came before it.
                pending_ = false;
                dropHeldNoise(std::min(levels.graceBits, kMaxGraceBits) / 2);
                seekNewOver();
            } else {
                if (pending_)
                    endPending();
                resumeAtWordBoundary();
            }
        } else if (open_ && ((lineToFloor < levels.close && ebOverN0 < kReadCleanlyEbOverN0) || ((waiting_ || faded_ >= kFadedBits) && presence < levels.open) ||
                             gone_ >= kFadedBits || unreadWaitFull)) {
            unreadClose_ = unreadWaitFull;
            open_ = false;
            waiting_ = false;
            seekLeft_ = 0;
            pending_ = true;
            pendingLeft_ = std::min(levels.graceBits, kMaxGraceBits);
            closedAtBits_ = stationBits;
        } else if (open_ && seekingAfterReturn() && elsewhere(levels, stationBits)) {
            // Taken for the station back, but the search has since moved to
            // where it really is: another station, whose first bits it read at
            // the old frequency. What was held before is dropped, and its
            // preamble's run, already gone, is not waited for again.
            dropHeldForNewOver();
        } else if (open_ && faded_ >= kFadedBits) {
            if (!waiting_) {
                waitedBits_ = 0;
                waitHeard_ = false;
                waitLowestShare_ = 1;
                waitAmplitude_ = amplitude;
                closedAtBits_ = stationBits;
            }
            waiting_ = true;
        } else if (waiting_ && recentAmplitude >= kRecoveredRatio * amplitude) {
            // A fade's end, or a reply after a pause too short for the lines
            // to fall away (2 s at 31 baud): the noise of the pause, held, was
            // heard ahead of the reply. After a long wait a preamble's run, or
            // the station found elsewhere, within kSeekBits makes it a new over.
            waiting_ = false;
            if (waitedBits_ >= kNewOverAfterBits)
                seekNewOver();
        }
    }

    bool open() const { return open_; }
    // Whether it is holding decisions back to tell a fade from a station's end.
    bool waiting() const { return waiting_; }

    // The decisions owed to the decoder to end a word the squelch cut by closing,
    // one per call, before any other: true with the next in `out`.
    bool clearing(Real& out)
    {
        if (clearingLeft_ == 0)
            return false;
        --clearingLeft_;
        out = clearingLeft_ >= 2 ? 1 : -1;
        return true;
    }

    // One decision in; returns true with the oldest held decision in `out` when
    // that one is to be heard.
    bool pass(Real d, Real& out)
    {
        if (held_ + 1 >= kRing) {
            if (pending_)
                endPending();
            else
                pop();  // cannot happen: the ring holds a whole grace and a seek
        }
        queue_[(first_ + held_) % kRing] = d;
        read_[(first_ + held_) % kRing] = readNow_;
        ++held_;
        if (seekLeft_ > 0) {
            --seekLeft_;
            seekRun_ = d > 0 ? seekRun_ + 1 : 0;
            if (seekRun_ >= seekRunOnes_) {
                // The preamble: everything held before its run is dropped, and its
                // 1 bits up to the first 0 that ends it.
                dropHeldForNewOver();
                toFirstZero_ = true;
            }
            return false;  // release() lets them go once the seeking is over
        }
        if (pending_ || held_ <= (waiting_ ? kMaxHeldBits : kHoldBits))
            return false;
        out = pop();
        return heard(out);
    }

    // After a fade, the decisions held while waiting, oldest first: true with
    // the next to be heard in `out`, false once only kHoldBits are held.
    bool release(Real& out)
    {
        while (!waiting_ && !pending_ && seekLeft_ == 0 && held_ > kHoldBits) {
            out = pop();
            if (heard(out))
                return true;
        }
        return false;
    }

private:
    // The station has not come back: what was held since the close (the noise
    // after its end) is dropped, and a word the close cut is ended.
    void endPending()
    {
        pending_ = false;
        if (lastHeard_ != 0)  // the decoder is in the middle of a word
            clearingLeft_ = kClearingOnes + 2;
        lastHeard_ = 0;
        while (held_ > kHoldBits)
            pop();
    }

    // Taken for the station back: what was held up to the end of the newest
    // stretch of noiseBits (half the grace, 5 s) or more decided with nothing
    // read cleanly (its Eb/N0, over some 50 bits, down to the noise's; the
    // noise lifts it above for a few bits now and then) is the noise's, and is
    // dropped, the word the close cut ended first. A new over whose preamble
    // was misread (at 500 baud it lasts 84 ms, less than the search takes to
    // find it after noise) looks like the station back, and all the noise
    // held since the close, up to 10 s of it, was printed ahead of it. The
    // deep fades the grace is for keep the Eb/N0 down for less than that, and
    // what was held through them is heard: with a stretch of 80 bits, CCIR
    // good fading at 125 baud and +3 dB lost 1.6 points more text with the
    // squelch on.
    void dropHeldNoise(std::size_t noiseBits)
    {
        std::size_t run = 0;     // decisions with nothing read, in the stretch
        std::size_t island = 0;  // read ones in a row: fewer than kMaxHeldBits are the noise's
        std::size_t end = 0;
        for (std::size_t k = 0; k < held_; ++k) {
            if (read_[(first_ + k) % kRing]) {
                if (++island >= kMaxHeldBits)
                    run = 0;
            } else {
                island = 0;
                if (++run >= noiseBits)
                    end = k + 1;
            }
        }
        if (end == 0)
            return;
        skip_ = end;
        if (lastHeard_ != 0) {  // end the word the close cut
            clearingLeft_ = kClearingOnes + 2;
            lastHeard_ = 0;
        }
    }

    // Taken for the station back: a new over's preamble is looked for, with the
    // run the held decisions end with counted in.
    void seekNewOver()
    {
        seekLeft_ = kSeekBits;
        seekRun_ = trailingOnes();
        seekRunOnes_ = kNewOverRunOnes;
    }

    // Whether a station at stationBits is elsewhere than the one that was there
    // as the squelch closed or began to wait.
    bool elsewhere(const SquelchLevels& levels, Real stationBits) const
    {
        return std::abs(stationBits - closedAtBits_) > levels.elsewhereBits;
    }

    // Whether it is seeking a new over's preamble after taking what came back
    // for the station back from a fade (only that seek waits for the shorter run).
    bool seekingAfterReturn() const { return seekLeft_ > 0 && seekRunOnes_ == kNewOverRunOnes; }

    // A new over: every held decision is dropped, the seek for its preamble is
    // over, and a word a close cut is ended.
    void dropHeldForNewOver()
    {
        seekLeft_ = 0;
        skip_ = held_;
        if (lastHeard_ != 0) {  // a close cut a word, and this is a new over
            clearingLeft_ = kClearingOnes + 2;
            lastHeard_ = 0;
        }
    }

    // Whether the held decisions hold a preamble's run of 1 bits (text never
    // has one): what comes back is a new over.
    bool preambleHeld() const
    {
        std::size_t run = 0;
        for (std::size_t k = 0; k < held_; ++k) {
            run = queue_[(first_ + k) % kRing] > 0 ? run + 1 : 0;
            if (run >= kSeekRunOnes)
                return true;
        }
        return false;
    }

    // The run of 1 bits the held decisions end with.
    std::size_t trailingOnes() const
    {
        std::size_t run = 0;
        while (run < held_ && queue_[(first_ + held_ - 1 - run) % kRing] > 0)
            ++run;
        return run;
    }

    Real pop()
    {
        const Real oldest = queue_[first_];
        first_ = (first_ + 1) % kRing;
        --held_;
        return oldest;
    }

    // Whether a decision leaving the queue reaches the decoder.
    bool heard(Real d)
    {
        if (skip_ > 0) {
            --skip_;
            return false;
        }
        if (open_ && toFirstZero_) {
            if (d > 0)
                return false;
            toFirstZero_ = false;
        }
        if (open_)
            lastHeard_ = ((lastHeard_ << 1) | (d > 0 ? 1u : 0u)) & 3u;
        return open_;
    }

    void resumeAtWordBoundary()
    {
        // Held decisions, oldest first, are queue_[(first_ + k) % kRing].
        const auto one = [&](std::size_t k) { return queue_[(first_ + k) % kRing] > 0; };
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
        // Else after the last "0 0", unless a preamble's run comes while seeking.
        // (Opened before any decision was held, there is no noise to drop.)
        skip_ = 0;
        for (std::size_t k = 1; k < held_; ++k)
            if (!one(k - 1) && !one(k))
                skip_ = k + 1;
        seekLeft_ = held_ > 0 ? kSeekBits : 0;
        seekRun_ = 0;
        seekRunOnes_ = kSeekRunOnes;
    }

    // Room for the longest hold and the decision that comes in before the
    // oldest leaves.
    static constexpr std::size_t kRing = kMaxGraceBits + kSeekBits + kMaxHeldBits + 1;
    std::array<Real, kRing> queue_{};
    std::array<bool, kRing> read_{};  // whether each held decision came with a station read cleanly
    std::size_t first_ = 0;  // the oldest held decision
    std::size_t held_ = 0;
    std::size_t skip_ = 0;   // oldest held decisions still to drop
    bool toFirstZero_ = false;  // dropping 1 bits until the first 0
    int faded_ = 0;
    int gone_ = 0;
    unsigned lastHeard_ = 0;  // the two newest heard bits; 0 ("0 0") at a word's end
    int clearingLeft_ = 0;
    std::size_t seekLeft_ = 0;  // bits still to hold on for a preamble's run
    std::size_t seekRun_ = 0;   // 1 bits in a row while seeking
    std::size_t seekRunOnes_ = kSeekRunOnes;  // ... that are a preamble
    bool open_ = false;
    bool waiting_ = false;
    bool pending_ = false;         // closed, but what is held is kept for a while
    std::size_t pendingLeft_ = 0;  // bits of that while still to go
    Real closedAtBits_ = 0;        // the station's offset as it closed or began to wait, bit rates
    std::size_t waitedBits_ = 0;   // bits of the newest wait
    bool waitHeard_ = false;       // a station read cleanly (or the Eb/N0 unknown) at some bit of it
    Real waitLowestShare_ = 1;     // the lowest recent share of the amplitude in it so far
    Real waitAmplitude_ = 0;       // the long-run amplitude as it began: the station's
    bool unreadClose_ = false;     // the close came at the end of such a wait, nothing read
    bool readNow_ = false;         // the detector reads a station cleanly (its Eb/N0), lately
};
