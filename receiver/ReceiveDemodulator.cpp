#include "ReceiveDemodulator.h"

ReceiveDemodulator::ReceiveDemodulator(const ReceiverSettings& settings, BitDecisionSink& decisions,
                                       PhasePointSink* display)
    : settings_(settings), decisions_(decisions), display_(display),
      standard_(settings, standardOutputs_, display ? &standardOutputs_ : nullptr),
      enhanced_(settings, enhancedOutputs_, display ? &enhancedOutputs_ : nullptr)
{
}

void ReceiveDemodulator::DemodulateSample(std::int16_t x)
{
    standard_.DemodulateSample(x);
    enhanced_.DemodulateSample(x);
}

Real ReceiveDemodulator::afcOffsetHz() const
{
    return enhanced_.afcOffsetHz();
}

bool ReceiveDemodulator::selected(DemodulatorChoice chain) const
{
    return settings_.demodulator == chain;
}

void ReceiveDemodulator::ChainOutputs::DecideBit(Real d)
{
    if (owner_.selected(chain_))
        owner_.decisions_.DecideBit(d);
}

void ReceiveDemodulator::ChainOutputs::PlotPhasePoint(int tickCounter, Real d)
{
    if (owner_.display_ && owner_.selected(chain_))
        owner_.display_->PlotPhasePoint(tickCounter, d);
}
