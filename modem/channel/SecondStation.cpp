// SPDX-License-Identifier: GPL-3.0-or-later
#include "modem/channel/SecondStation.h"

#include "modem/channel/ChannelOptions.h"
#include "modem/transmit/MskSynthesizer.h"
#include "modem/transmit/TransmitPreamble.h"
#include "modem/varicode/VaricodeTable.h"

#include <cmath>
#include <numbers>

namespace modem {
namespace {

const TxMode& modeFor(int samplesPerBit)
{
    for (const TxMode& mode : kTxModes)
        if (mode.samplesPerBit == samplesPerBit)
            return mode;
    return kTxModes.front();
}

}  // namespace

SecondStation::SecondStation(int rate, int samplesPerBit, double offsetHz, double peak)
    : rate_(rate),
      peak_(peak),
      lowerHz_(modeFor(samplesPerBit).toneForOne + offsetHz),
      upperHz_(modeFor(samplesPerBit).toneForZero + offsetHz),
      samplesPerBit_(static_cast<double>(modeFor(samplesPerBit).samplesPerBit) * rate / MskSynthesizer::kSampleRate),
      preambleLeft_(kPreambleBuffers)
{
    cyclesPerSample_ = (nextBit() == 0 ? upperHz_ : lowerHz_) / rate_;
}

int SecondStation::nextBit()
{
    if (preambleLeft_ > 0) {
        --preambleLeft_;
        return preambleBit(kPreambleBuffers - 1 - preambleLeft_);
    }
    if (word_.empty() && separatorLeft_ == 0) {
        // The next character's code word, then the "00" that ends it. The table's
        // words live for the whole program.
        const auto byte = static_cast<std::uint8_t>(kText[character_]);
        character_ = (character_ + 1) % kText.size();
        word_ = VaricodeTable::codeFor(byte);
        separatorLeft_ = static_cast<int>(varicode::kSeparator.size());
    }
    if (!word_.empty()) {
        const int bit = word_.front() == '1' ? 1 : 0;
        word_.remove_prefix(1);
        return bit;
    }
    --separatorLeft_;
    return 0;  // the separator's bits
}

double SecondStation::step()
{
    // Sample first, then advance, as the transmitter does.
    const double y = peak_ * std::sin(2 * std::numbers::pi * cycles_);
    cycles_ += cyclesPerSample_;
    cycles_ -= std::floor(cycles_);
    intoBit_ += 1.0;
    if (intoBit_ >= samplesPerBit_) {
        intoBit_ -= samplesPerBit_;
        cyclesPerSample_ = (nextBit() == 0 ? upperHz_ : lowerHz_) / rate_;
    }
    return y;
}

}  // namespace modem
