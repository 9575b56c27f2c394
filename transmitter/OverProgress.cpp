// SPDX-License-Identifier: GPL-3.0-or-later
#include "transmitter/OverProgress.h"

#include "modem/transmit/TxBitQueue.h"

#include <algorithm>

OverProgress::OverProgress(const TxBitQueue& queue, const TxTextSource& text, OverProgressListener& listener)
    : queue_(queue), text_(text), listener_(listener), lastTaken_(queue.textTaken())
{
}

void OverProgress::textChangedAt(std::int64_t byte)
{
    byte = std::max<std::int64_t>(byte, 0);
    for (Step& step : steps_)
        step.onAir = std::min(step.onAir, byte);
    if (onAir_ > byte) {
        onAir_ = byte;
        listener_.onAirChanged();
    }
}

void OverProgress::startNewText()
{
    // What the queue took of the old text still goes out, but none of it is in
    // the entry any more.
    textChangedAt(0);
    lastTaken_ = queue_.textTaken();
    endBit_ = 0;  // the new text, if any, has to go out first
}

void OverProgress::endOver()
{
    endBit_ = 0;
    setArmed(true);
}

void OverProgress::cancelEnd()
{
    endBit_ = 0;
    setArmed(false);
}

void OverProgress::setArmed(bool armed)
{
    if (armed_ == armed)
        return;
    armed_ = armed;
    listener_.endArmedChanged();
}

void OverProgress::bitQueued(std::int64_t)
{
    // The queue takes at most one character per bit, or withdraws edited text.
    const std::int64_t taken = queue_.textTaken();
    if (taken > lastTaken_)
        steps_.push_back({queue_.queuedBits(), taken});
    else if (taken < lastTaken_)
        textChangedAt(taken);
    lastTaken_ = taken;

    // Everything typed is in the queue: the over ends after what is queued now
    // and the closing idle behind it (the queue adds idle units by itself).
    if (armed_ && endBit_ == 0 && taken >= text_.length())
        endBit_ = queue_.queuedBits() + kClosingIdleBits;
}

void OverProgress::bitPlayed(std::int64_t position)
{
    bool changed = false;
    while (!steps_.empty() && steps_.front().lastBit <= position) {
        changed = changed || steps_.front().onAir != onAir_;
        onAir_ = steps_.front().onAir;
        steps_.pop_front();
    }
    if (changed)
        listener_.onAirChanged();
    if (armed_ && endBit_ != 0 && position >= endBit_) {
        cancelEnd();
        listener_.overEnded();
    }
}

void OverProgress::transmissionClosed()
{
    cancelEnd();
}
