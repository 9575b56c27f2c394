#include "ReceiveDemodulator.h"

// Placeholder until the enhanced chain lands: the classic chain alone.
ReceiveDemodulator::ReceiveDemodulator(const ReceiverSettings& settings, BitDecisionSink& decisions,
                                       PhasePointSink* display)
    : settings_(settings), decisions_(decisions), display_(display),
      standard_(settings, standardOutputs_, display ? &standardOutputs_ : nullptr)
{
}

void ReceiveDemodulator::DemodulateSample(std::int16_t x)
{
    standard_.DemodulateSample(x);
}

Real ReceiveDemodulator::afcOffsetHz() const
{
    return 0.0;
}

void ReceiveDemodulator::StandardOutputs::DecideBit(Real d)
{
    owner_.decisions_.DecideBit(d);
}

void ReceiveDemodulator::StandardOutputs::PlotPhasePoint(int tickCounter, Real d)
{
    if (owner_.display_)
        owner_.display_->PlotPhasePoint(tickCounter, d);
}
