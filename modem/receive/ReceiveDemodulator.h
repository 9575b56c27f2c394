// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Both receive chains side by side on the same samples: the classic MskDemodulator
// and the EnhancedDemodulator. The chain that ReceiverSettings::demodulator selects
// (read afresh on every sample) hands its decisions, through reverse and squelch,
// to the decoder (several at once when the squelch lets out what it held through
// a fade), and its phase points to the scope; the other chain runs on
// unheard, so a switch takes effect at the next bit. Window thread only; allocates
// nothing per sample.

#include "modem/receive/BitDecisionSink.h"
#include "modem/receive/ReceiverSettings.h"
#include "modem/receive/SampleSink.h"
#include "modem/receive/SignalSquelch.h"
#include "modem/receive/enhanced/EnhancedDemodulator.h"
#include "modem/receive/standard/MskDemodulator.h"

#include <cstdint>

class ReceiveDemodulator : public SampleSink {
public:
    // settings are read on every sample; display may be null.
    ReceiveDemodulator(const ReceiverSettings& settings, BitDecisionSink& decisions, PhasePointSink* display);
    ReceiveDemodulator(const ReceiveDemodulator&) = delete;
    ReceiveDemodulator& operator=(const ReceiveDemodulator&) = delete;

    void DemodulateSample(std::int16_t x) override;

    // From now on run only the chain that is heard (and the enhanced one too
    // while the squelch is on, which listens to it): for a recording decoded
    // with one chain, where no switch can come. The receiver window runs both.
    void runHeardChainOnly() { heardOnly_ = true; }

    const MskDemodulator& standard() const { return standard_; }
    const EnhancedDemodulator& enhanced() const { return enhanced_; }
    // Whether the squelch hears a signal of the selected speed (it decides even
    // while it is off).
    bool squelchOpen() const { return squelch_.open(); }
    // The enhanced chain's current frequency correction: Hz of the signal above
    // centreFrequency (positive: the station sits higher than the centre).
    Real afcOffsetHz() const;

private:
    // Forwards one chain's outputs only while that chain is the selected one.
    class ChainOutputs : public BitDecisionSink, public PhasePointSink {
    public:
        ChainOutputs(ReceiveDemodulator& owner, DemodulatorChoice chain) : owner_(owner), chain_(chain) {}
        void DecideBit(Real d) override;
        void PlotPhasePoint(int tickCounter, Real d) override;

    private:
        Real heard(Real d) const;
        ReceiveDemodulator& owner_;
        DemodulatorChoice chain_;
    };

    bool selected(DemodulatorChoice chain) const;
    void hear(Real d);

    const ReceiverSettings& settings_;
    BitDecisionSink& decisions_;
    PhasePointSink* display_;
    ChainOutputs standardOutputs_{*this, DemodulatorChoice::Standard};
    ChainOutputs enhancedOutputs_{*this, DemodulatorChoice::Enhanced};
    MskDemodulator standard_;
    EnhancedDemodulator enhanced_;
    SignalSquelch squelch_;
    std::int64_t squelchBits_ = 0;
    bool heardOnly_ = false;
};
