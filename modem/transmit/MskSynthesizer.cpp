// SPDX-License-Identifier: GPL-3.0-or-later
#include "modem/transmit/MskSynthesizer.h"

#include "modem/transmit/KeyingEnvelope.h"

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
        double value = std::sin(phase_) * amplitude_;
        if (riseAt_ >= 0) {
            value *= keying::riseGain(riseAt_);
            riseAt_ = riseAt_ + 1 < keying::kEdgeSamples ? riseAt_ + 1 : -1;
        }
        buffer[i] = static_cast<std::int16_t>(std::nearbyint(value));
        phase_ += phaseStep_;
        if (phase_ > kTwoPi)
            phase_ -= kTwoPi;
    }
}

void MskSynthesizer::startRise()
{
    riseAt_ = 0;
}

void MskSynthesizer::fillFall(std::int16_t* buffer, const ToneState& after) const
{
    // The same step as the last bit's, from where that bit left the phase.
    const double step = kTwoPi * static_cast<double>(after.tone) / kSampleRate;
    double phase = after.phase;
    for (int n = 0; n < keying::kEdgeSamples; ++n) {
        buffer[n] = static_cast<std::int16_t>(std::nearbyint(std::sin(phase) * amplitude_ * keying::fallGain(n)));
        phase += step;
        if (phase > kTwoPi)
            phase -= kTwoPi;
    }
}

void MskSynthesizer::setDriveGain(double gain)
{
    if (gain > 0.0 && gain <= 1.0)
        amplitude_ = kAmplitude * gain;
}
