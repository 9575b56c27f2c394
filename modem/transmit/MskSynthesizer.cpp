// SPDX-License-Identifier: GPL-3.0-or-later
#include "modem/transmit/MskSynthesizer.h"

#include <cmath>

namespace {
const double kPi = 4.0 * std::atan(1.0);
const double kTwoPi = 2.0 * kPi;  // the wrap limit
}  // namespace

void MskSynthesizer::setSamplesPerBit(int samples)
{
    for (const TxMode& mode : kTxModes)
        if (mode.samplesPerBit == samples)
            samplesPerBit_ = samples;
}

void MskSynthesizer::fillBit(std::int16_t* buffer, int bit)
{
    // The tone pair is chosen by the sample count; an unknown count keeps the tone.
    for (const TxMode& mode : kTxModes) {
        if (mode.samplesPerBit == samplesPerBit_) {
            tone_ = bit == 0 ? mode.toneForZero : mode.toneForOne;
            break;
        }
    }
    phaseStep_ = kPi * 2.0 * static_cast<double>(tone_) / kSampleRate;

    for (int i = 0; i < samplesPerBit_; ++i) {
        // Sample first, then advance: the first sample of a bit continues the last
        // bit's waveform. nearbyint rounds a half to the even neighbour.
        buffer[i] = static_cast<std::int16_t>(std::nearbyint(std::sin(phase_) * kAmplitude));
        phase_ += phaseStep_;
        if (phase_ > kTwoPi)
            phase_ -= kTwoPi;
    }
}
