#pragma once
// Both receive chains side by side on the same samples: the classic MskDemodulator
// and the EnhancedDemodulator. The chain that ReceiverSettings::demodulator selects
// (read afresh on every sample) hands its decisions, through reverse and squelch,
// to the decoder, and its phase points to the scope; the other chain runs on
// unheard, so a switch takes effect at the next bit. Window thread only; allocates
// nothing per sample.

#include "BitDecisionSink.h"
#include "MskDemodulator.h"
#include "ReceiverSettings.h"
#include "SampleSink.h"

#include <cstdint>

class ReceiveDemodulator : public SampleSink {
public:
    // settings are read on every sample; display may be null.
    ReceiveDemodulator(const ReceiverSettings& settings, BitDecisionSink& decisions, PhasePointSink* display);
    ReceiveDemodulator(const ReceiveDemodulator&) = delete;
    ReceiveDemodulator& operator=(const ReceiveDemodulator&) = delete;

    void DemodulateSample(std::int16_t x) override;

    const MskDemodulator& standard() const { return standard_; }
    // The enhanced chain's current frequency correction: Hz of the signal above
    // centreFrequency (positive: the station sits higher than the centre).
    Real afcOffsetHz() const;

private:
    // Forwards one chain's outputs only while that chain is the selected one.
    class StandardOutputs : public BitDecisionSink, public PhasePointSink {
    public:
        explicit StandardOutputs(ReceiveDemodulator& owner) : owner_(owner) {}
        void DecideBit(Real d) override;
        void PlotPhasePoint(int tickCounter, Real d) override;

    private:
        ReceiveDemodulator& owner_;
    };

    const ReceiverSettings& settings_;
    BitDecisionSink& decisions_;
    PhasePointSink* display_;
    StandardOutputs standardOutputs_{*this};
    MskDemodulator standard_;
};
