// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// How far the operator's text has got onto the air, and the end of an over.
//
// On the air: every character the bit queue takes is followed until the last bit
// of its code word and separator has been played; then the other station has it.
// The count is in bytes of the entry text as the queue reads it (a line end is
// two), and it never covers text that was edited after it went out: the entry
// there no longer holds what the other screen shows.
//
// The end of an over: once armed, the over ends as soon as everything typed has
// been taken into the queue, sent, and followed by a closing idle that lets the
// other receiver print the last characters before the carrier goes (a receiver
// prints a character some bits after its end, and a squelch holds a few bits
// back). Any edit of the entry disarms it; so does the end of the transmission.
//
// Window thread only. Called from the device's notifications through OnAirDevice,
// and by the window.

#include "transmitter/OnAirDevice.h"

#include <cstdint>
#include <deque>

class TxBitQueue;
class TxTextSource;

// Told of the progress, on the window thread.
class OverProgressListener {
public:
    virtual ~OverProgressListener() = default;
    // onAirBytes() has changed.
    virtual void onAirChanged() = 0;
    // The closing idle of an armed over has been played: turn the transmission off.
    virtual void overEnded() = 0;
    // endArmed() has changed.
    virtual void endArmedChanged() {}
};

class OverProgress : public PlayedBitListener {
public:
    // Two idle units: more than the 6 bits a receiver may take to print a
    // character plus the 8 bits a squelch holds back.
    static constexpr std::int64_t kClosingIdleBits = 24;

    OverProgress(const TxBitQueue& queue, const TxTextSource& text, OverProgressListener& listener);

    // Bytes at the start of the entry text that the other station has received.
    std::int64_t onAirBytes() const { return onAir_; }

    // The entry changed from this byte on: nothing from there is on the air.
    void textChangedAt(std::int64_t byte);
    // The entry was cleared and the queue started a new text (TxBitQueue::startNewText).
    void startNewText();

    // Ctrl+R: end the over once everything typed is out. Waits for a transmission
    // if none runs.
    void endOver();
    void cancelEnd();
    bool endArmed() const { return armed_; }

    // PlayedBitListener
    void bitQueued(std::int64_t position) override;
    void bitPlayed(std::int64_t position) override;
    void transmissionClosed() override;

private:
    void setArmed(bool armed);

    // A character (or, after an edit, a withdrawal) on its way: once the bit at
    // `lastBit` has played, the first `onAir` bytes of the text are on the air.
    struct Step {
        std::int64_t lastBit;
        std::int64_t onAir;
    };

    const TxBitQueue& queue_;
    const TxTextSource& text_;
    OverProgressListener& listener_;
    std::deque<Step> steps_;  // queued, not yet played, in queue order
    std::int64_t onAir_ = 0;
    std::int64_t lastTaken_ = 0;  // the queue's textTaken() at the last bit
    bool armed_ = false;
    std::int64_t endBit_ = 0;  // the last bit of the closing idle, 0 while text waits
};
