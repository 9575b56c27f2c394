// SPDX-License-Identifier: GPL-3.0-or-later
#include "modem/receive/standard/MskDemodulator.h"

MskDemodulator::MskDemodulator(const ReceiverSettings& settings, BitDecisionSink& decisions,
                               PhasePointSink* display)
    : settings_(settings), decisions_(decisions), display_(display)
{
}

void MskDemodulator::DemodulateSample(std::int16_t x)
{
    // The settings are taken as they stand: the window bounds them.
    const Real sampleRate = static_cast<Real>(settings_.sampleRate);

    // Mixer: the sample times the oscillator's cosine and sine.
    const IqSample lo = oscillator_.step(settings_.centreFrequency / sampleRate);
    const Real sample = x;
    stage1_.push({sample * lo.i, sample * lo.q});

    if (!clock_.step(settings_.tickRate / sampleRate))
        return;

    // One tick: stage 1 is read at the tick rate and feeds stage 2.
    stage2_.push(stage1_.output());
    tickCounter_ = static_cast<std::uint8_t>((tickCounter_ + 1) % kTicksPerBit);
    if (tickCounter_ % kTicksPerPhasePoint != 0)
        return;

    // One stage-2 output, four per bit.
    const Real d = discriminator_.step(stage2_.output());
    switch (tickCounter_) {
    case kBitStartTick: {
        // Loop gain, then the clock: the early-late error of the bit just ended.
        const Real correction = gate_.error() * static_cast<Real>(settings_.timingGain);
        clock_.correct(correction);
        break;
    }
    case kEarlyTick:
        gate_.early(d);
        break;
    case kMiddleTick:
        decisions_.DecideBit(d);
        break;
    case kLateTick:
        gate_.late(d);
        break;
    default:
        break;
    }
    if (display_)
        display_->PlotPhasePoint(tickCounter_, d);
}
