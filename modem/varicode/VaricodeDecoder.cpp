// SPDX-License-Identifier: GPL-3.0-or-later
#include "modem/varicode/VaricodeDecoder.h"

#include "modem/varicode/VaricodeTable.h"

namespace {
constexpr std::uint32_t kSeparatorMask = 3u;  // the two newest bits: "00" ends a word
constexpr int kSeparatorBits = 2;
}  // namespace

VaricodeDecoder::VaricodeDecoder(ReceivedTextPane& pane) : pane_(pane) {}

void VaricodeDecoder::DecideBit(Real d)
{
    // The lower tone turns the baseband phase forward: d > 0 is a 1. A d of exactly
    // 0 (and a NaN) is a 0. The bit is the tone itself, not a change of tone.
    const std::uint32_t bit = d > 0 ? 1u : 0u;
    accumulator_ = (accumulator_ << 1) + bit;
    if ((accumulator_ & kSeparatorMask) != 0)
        return;  // the code word is still running
    const int character = table_.lookup(accumulator_ >> kSeparatorBits);
    if (character >= 0)
        AppendReceivedChar(static_cast<std::uint8_t>(character));
    accumulator_ = 0;
}

void VaricodeDecoder::AppendReceivedChar(std::uint8_t c)
{
    if (c == varicode::kCarriageReturn)
        return;  // the sender sends line ends as space then LF; a lone CR adds nothing
    if (c == varicode::kBackspace) {
        // The pane's last character goes, whoever typed it. An empty pane has
        // none, and no selection is made from a negative position.
        const int n = pane_.textLength();
        if (n > 0) {
            pane_.selectRange(n - 1, n);
            pane_.deleteSelection();
        }
        return;
    }
    // The caret goes to the end before every character, wherever the operator left
    // it. Character 0 is an empty string: nothing is inserted, the pane still scrolls.
    const int n = pane_.textLength();
    pane_.selectRange(n, n);
    const char text[2] = {static_cast<char>(c), '\0'};
    pane_.replaceSelection(text);
    pane_.scrollToCaret();
}
