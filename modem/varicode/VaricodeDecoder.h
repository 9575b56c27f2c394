// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The Varicode decoder: one decision value per bit in, characters out to the pane.
// Every "00" ends a code word; unknown words vanish. Window thread only.

#include "modem/receive/BitDecisionSink.h"
#include "modem/varicode/ReceivedTextPane.h"
#include "modem/varicode/VaricodeDecodeTable.h"

#include <cstdint>

class VaricodeDecoder : public BitDecisionSink {
public:
    explicit VaricodeDecoder(ReceivedTextPane& pane);

    // d: the phase difference at the middle of the bit; > 0 is a 1 bit.
    void DecideBit(Real d) override;
    // CR is dropped, BS deletes the pane's last character, 0 only scrolls.
    void AppendReceivedChar(std::uint8_t c);

    std::uint32_t accumulator() const { return accumulator_; }

private:
    ReceivedTextPane& pane_;
    VaricodeDecodeTable table_;
    std::uint32_t accumulator_ = 0;
};
