// SPDX-License-Identifier: GPL-3.0-or-later
#include "modem/transmit/TxBitQueue.h"

#include "modem/varicode/VaricodeTable.h"

#include <algorithm>

namespace {
// Handed-out bits are dropped in blocks once this many have piled up, so the cost
// is amortised and memory stays bounded however long a transmission runs.
constexpr std::size_t kDiscardBlock = 4096;
}  // namespace

TxBitQueue::TxBitQueue(const TxTextSource& text, TxStatusSink& status)
    : text_(text), status_(status)
{
}

int TxBitQueue::nextBit()
{
    // 1-3: follow the entry. At most one new character per request. Queued text
    // that was changed or removed is withdrawn with one backspace unit per
    // character down to the first changed one, all in this request; what the entry
    // holds from there is then sent again, one character per request as ever.
    const std::int64_t length = text_.length();
    const std::int64_t unchanged = std::min({length, text_.takeLowestChange(), pendingWithdrawal_});
    pendingWithdrawal_ = TxTextSource::kNoChange;
    if (unchanged < textTaken_) {
        for (std::int64_t taken = textTaken_; taken > unchanged; --taken) {
            const std::int64_t start = queuedBits() + 1;
            append(varicode::kBackspaceUnit);
            noteUnit(taken, true, start);
        }
        textTaken_ = unchanged;
    } else if (length > textTaken_) {
        const std::int64_t start = queuedBits() + 1;
        std::uint8_t c = text_.byteAt(textTaken_);
        ++textTaken_;
        if (c == varicode::kCarriageReturn)
            c = varicode::kSpace;  // a line end goes out as space, then LF
        append(VaricodeTable::codeFor(c));
        append(varicode::kSeparator);
        noteUnit(textTaken_ - 1, false, start);
    }

    // 4: hand out the bit at readPos. The very first request has none and hands out
    // the start value 0.
    if (readPos_ >= 1)
        currentBit_ = bits_[static_cast<std::size_t>(readPos_ - 1 - discarded_)] == '1' ? 1 : 0;
    ++readPos_;

    // 5: never leave the next request without a bit.
    if (queuedBits() < readPos_) {
        append(VaricodeTable::codeFor(varicode::kIdleCharacter));
        append(varicode::kSeparator);
    }

    // 6: the backlog beyond the next bit, every 21st request since program start.
    if (readPos_ % kStatusCadence == 0) {
        std::int64_t count = queuedBits() - readPos_;
        if (count <= kStatusFloor)
            count = 0;
        status_.setStatusText(kStatusPrefix + std::to_string(count));
    }

    discardHandedOut();
    return currentBit_;
}

void TxBitQueue::startNewText()
{
    text_.takeLowestChange();  // the clearing itself is no edit to answer
    textTaken_ = 0;
}

void TxBitQueue::discardHandedOut()
{
    // Positions up to readPos_ - 1 have been handed out; only the last
    // kPutBackReachBits of them may still be put back and read again.
    const std::int64_t droppable = readPos_ - 1 - kPutBackReachBits - discarded_;
    if (droppable >= static_cast<std::int64_t>(kDiscardBlock)) {
        bits_.erase(0, static_cast<std::size_t>(droppable));
        discarded_ += droppable;
    }
    while (!units_.empty() && units_.front().end < readPos_ - kPutBackReachBits)
        units_.pop_front();
}

void TxBitQueue::noteUnit(std::int64_t takenBefore, bool withdrawal, std::int64_t start)
{
    units_.push_back({start, queuedBits(), takenBefore, withdrawal});
}

void TxBitQueue::putBack(std::int64_t firstUnplayed)
{
    auto first = std::find_if(units_.begin(), units_.end(),
                              [firstUnplayed](const QueuedUnit& unit) { return unit.end >= firstUnplayed; });
    if (first == units_.end() || first->start <= discarded_)
        return;  // nothing of the text in flight, or beyond reach
    std::int64_t withdrawFrom = TxTextSource::kNoChange;
    for (auto unit = first; unit != units_.end(); ++unit)
        if (unit->withdrawal)  // it took character takenBefore - 1 off the other screen
            withdrawFrom = std::min(withdrawFrom, unit->takenBefore - 1);
    textTaken_ = first->takenBefore;
    pendingWithdrawal_ = withdrawFrom;
    bits_.resize(static_cast<std::size_t>(first->start - 1 - discarded_));
    readPos_ = std::min(readPos_, first->start);
    units_.erase(first, units_.end());
}
