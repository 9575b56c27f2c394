// SPDX-License-Identifier: GPL-3.0-or-later
#include "modem/receive/ReceiveDemodulator.h"

ReceiveDemodulator::ReceiveDemodulator(const ReceiverSettings& settings, BitDecisionSink& decisions,
                                       PhasePointSink* display)
    : settings_(settings), decisions_(decisions), display_(display),
      standard_(settings, standardOutputs_, display ? &standardOutputs_ : nullptr),
      enhanced_(settings, enhancedOutputs_, display ? &enhancedOutputs_ : nullptr)
{
}

void ReceiveDemodulator::DemodulateSample(std::int16_t x)
{
    const bool standardHeard = selected(DemodulatorChoice::Standard);
    if (!heardOnly_ || standardHeard)
        standard_.DemodulateSample(x);
    if (heardOnly_ && standardHeard && !settings_.squelch)
        return;
    enhanced_.DemodulateSample(x);
    const EnhancedDemodulator::BitState& bit = enhanced_.bitState();
    if (bit.bits != squelchBits_) {
        squelchBits_ = bit.bits;
        squelch_.update(squelchLevels(settings_.tickRate), enhanced_.transforms() * enhanced_.plan().searchHopBits,
                        enhanced_.lineToFloor(), enhanced_.presence(),
                        bit.recentAmplitude, bit.amplitude, bit.ebOverN0,
                        enhanced_.afcOffsetHz() / enhanced_.plan().bitRate);
    }
}

// The selected chain's decision, through the squelch when it is on.
void ReceiveDemodulator::hear(Real d)
{
    Real released = 0;
    if (!settings_.squelch)
        decisions_.DecideBit(d);
    else {
        while (squelch_.clearing(released))
            decisions_.DecideBit(released);
        if (squelch_.pass(d, released))
            decisions_.DecideBit(released);
        while (squelch_.release(released))
            decisions_.DecideBit(released);
    }
}

Real ReceiveDemodulator::afcOffsetHz() const
{
    return enhanced_.afcOffsetHz();
}

bool ReceiveDemodulator::selected(DemodulatorChoice chain) const
{
    return settings_.demodulator == chain;
}

// The classic chain reverses here: mirroring the spectrum about the centre turns
// its phase differences around, exactly d -> -d (its timing uses only d squared).
// The enhanced chain mirrors its baseband itself.
Real ReceiveDemodulator::ChainOutputs::heard(Real d) const
{
    return chain_ == DemodulatorChoice::Standard && owner_.settings_.reverse ? -d : d;
}

void ReceiveDemodulator::ChainOutputs::DecideBit(Real d)
{
    if (owner_.selected(chain_))
        owner_.hear(heard(d));
}

void ReceiveDemodulator::ChainOutputs::PlotPhasePoint(int tickCounter, Real d)
{
    if (owner_.display_ && owner_.selected(chain_))
        owner_.display_->PlotPhasePoint(tickCounter, heard(d));
}
