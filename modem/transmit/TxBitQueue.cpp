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
    const std::int64_t unchanged = std::min(length, text_.takeLowestChange());
    if (unchanged < textTaken_) {
        for (std::int64_t i = unchanged; i < textTaken_; ++i)
            append(varicode::kBackspaceUnit);
        textTaken_ = unchanged;
    } else if (length > textTaken_) {
        std::uint8_t c = text_.byteAt(textTaken_);
        ++textTaken_;
        if (c == varicode::kCarriageReturn)
            c = varicode::kSpace;  // a line end goes out as space, then LF
        append(VaricodeTable::codeFor(c));
        append(varicode::kSeparator);
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
    // Positions up to readPos_ - 1 have been handed out and are never read again.
    const auto handedOut = static_cast<std::size_t>(readPos_ - 1 - discarded_);
    if (readPos_ >= 1 && handedOut >= kDiscardBlock) {
        bits_.erase(0, handedOut);
        discarded_ += static_cast<std::int64_t>(handedOut);
    }
}
