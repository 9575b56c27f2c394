// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The MSK demodulator: recorded samples in, one decision value per bit out.
//
// Per sample: a local oscillator mixes the signal down around the centre frequency.
// On a bit-synchronous tick clock (16 ticks per bit) two low-pass FIR stages
// decimate it; every fourth tick the phase of the baseband signal is measured and
// differenced over three quarters of a bit, an early-late gate steers the tick
// clock, and the value at the middle of the bit goes to the decoder.
// Nothing is ever reset. Window thread only; allocates nothing per sample.

#include "modem/dsp/FirFilter.h"
#include "modem/dsp/LocalOscillator.h"
#include "modem/receive/BitDecisionSink.h"
#include "modem/receive/ReceiverSettings.h"
#include "modem/receive/standard/EarlyLateGate.h"
#include "modem/receive/standard/LowPassCoefficients.h"
#include "modem/receive/standard/PhaseDiscriminator.h"
#include "modem/receive/standard/TickClock.h"

#include <cstdint>

class MskDemodulator {
public:
    static constexpr int kTicksPerBit = 16;
    static constexpr int kTicksPerPhasePoint = 4;  // stage-2 decimation
    static constexpr int kBitStartTick = 0;        // apply the timing correction
    static constexpr int kEarlyTick = 4;           // a quarter of a bit before the middle
    static constexpr int kMiddleTick = 8;          // decide the bit
    static constexpr int kLateTick = 12;           // a quarter of a bit after the middle

    // settings are read afresh on every sample; display may be null.
    MskDemodulator(const ReceiverSettings& settings, BitDecisionSink& decisions, PhasePointSink* display);
    void DemodulateSample(std::int16_t x);

    // The state, for the scope of a test or a trace; none of it is ever reset.
    Real oscillatorPhase() const { return oscillator_.phase(); }  // cycles
    Real tickPhase() const { return clock_.phase(); }             // tick periods
    int tickCounter() const { return tickCounter_; }              // 0..15
    Real timingError() const { return gate_.error(); }

private:
    const ReceiverSettings& settings_;
    BitDecisionSink& decisions_;
    PhasePointSink* display_;

    LocalOscillator oscillator_;
    FirFilter<kStage1Taps> stage1_{kStage1Coefficients};  // at the sample rate, read at each tick
    TickClock clock_;
    FirFilter<kStage2Taps> stage2_{kStage2Coefficients};  // at the tick rate, read every 4th tick
    std::uint8_t tickCounter_ = 0;
    PhaseDiscriminator discriminator_;
    EarlyLateGate gate_;
};
