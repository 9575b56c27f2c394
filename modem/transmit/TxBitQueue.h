// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The transmit bit queue: turns the entry text into the bit stream on the air,
// one bit per request from the audio stream.
//
// Each request moves at most one new character of the entry text into the queue
// (its code word and "00"). Text changed or removed after it was queued is
// withdrawn with one backspace unit per character, back to where the change
// begins, and sent again from there; the other station's screen then ends up with
// what the entry holds. An idle unit (NUL and "00") is queued whenever nothing
// else is waiting. Every 21st request the status line shows the backlog.
//
// Runs on the window thread only, inside the audio notifications.

#include <cstdint>
#include <deque>
#include <limits>
#include <string>

// The entry text as the queue sees it: Windows-1252 bytes, each line end as the two
// bytes CR LF. Called on the window thread; length() on every request, byteAt() only
// for the one character a request moves, so an implementation need not copy the text.
class TxTextSource {
public:
    virtual ~TxTextSource() = default;
    virtual std::int64_t length() const = 0;
    virtual std::uint8_t byteAt(std::int64_t index) const = 0;  // 0-based, < length()

    static constexpr std::int64_t kNoChange = std::numeric_limits<std::int64_t>::max();
    // The lowest byte position (0-based) at which the text has changed since the
    // last call, or kNoChange; each call starts a new watch. The queue asks once per
    // request. A source that cannot tell says kNoChange, and the queue then follows
    // its length alone.
    virtual std::int64_t takeLowestChange() const { return kNoChange; }
};

// The status line under the entry. Called on the window thread every 21st request.
class TxStatusSink {
public:
    virtual ~TxStatusSink() = default;
    virtual void setStatusText(const std::string& text) = 0;
};

class TxBitQueue {
public:
    static constexpr std::int64_t kStatusCadence = 21;  // requests between status updates
    static constexpr std::int64_t kStatusFloor = 21;    // backlogs this small show as 0
    static constexpr const char* kStatusPrefix = "Bits left = ";

    TxBitQueue(const TxTextSource& text, TxStatusSink& status);

    // Hands out the next bit (0 or 1). The first request after program start hands
    // out 0 without taking a bit from the queue.
    int nextBit();

    // The entry was cleared for a new over: what the queue has taken stays queued
    // and goes out, the rest of the old text and any edit not yet answered are
    // forgotten, and the next character taken is the first of the new text -- no
    // backspace is sent for the old one.
    void startNewText();

    // Position (from 1, since program start) of the bit the next request hands out.
    std::int64_t readPos() const { return readPos_; }
    // Characters of the entry text already moved into the queue.
    std::int64_t textTaken() const { return textTaken_; }
    int currentBit() const { return currentBit_; }
    // Every bit ever queued, handed out or not.
    std::int64_t queuedBits() const { return discarded_ + static_cast<std::int64_t>(bits_.size()); }
    // Bits held in memory (those not yet handed out, plus a bounded slack).
    std::size_t heldBits() const { return bits_.size(); }

    // Bits handed out that can still be put back: the buffers in flight and the
    // sound system's latency, with room to spare.
    static constexpr std::int64_t kPutBackReachBits = 1024;
    // The sound stopped before the bit at `firstUnplayed` (a readPos() value) went
    // on the air. Every character and backspace whose code word was not played to
    // its end is taken back, as if never queued, and the queue goes on from the
    // first of them: the next transmission sends them again. A backspace taken back
    // leaves its character on the other station's screen, so it is withdrawn again.
    // Idle units in flight are simply dropped.
    void putBack(std::int64_t firstUnplayed);

private:
    void append(std::string_view pattern) { bits_.append(pattern); }
    void discardHandedOut();
    void noteUnit(std::int64_t takenBefore, bool withdrawal, std::int64_t start);

    // A character or backspace in the queue: its first and last position, and
    // textTaken_ before it. Kept while it may still be put back.
    struct QueuedUnit {
        std::int64_t start;
        std::int64_t end;
        std::int64_t takenBefore;
        bool withdrawal;
    };

    const TxTextSource& text_;
    TxStatusSink& status_;
    // bits_[0] is queue position discarded_ + 1; positions before it were handed
    // out and dropped, so memory stays bounded in a transmission of any length.
    std::string bits_;
    std::int64_t discarded_ = 0;
    std::int64_t readPos_ = 0;
    std::int64_t textTaken_ = 0;
    int currentBit_ = 0;
    std::deque<QueuedUnit> units_;
    // Text from here on is to be withdrawn at the next request (after a put-back).
    std::int64_t pendingWithdrawal_ = TxTextSource::kNoChange;
};
