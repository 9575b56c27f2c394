#pragma once
// The MSK demodulator: recorded samples in, one decision value per bit out.
//
// Per sample: a local oscillator mixes the signal down around the centre frequency.
// On a bit-synchronous tick clock (16 ticks per bit) two low-pass FIR stages
// decimate it; every fourth tick the phase of the baseband signal is measured and
// differenced over three quarters of a bit, an early-late gate steers the tick
// clock, and the value at the middle of the bit goes to the decoder.
// Nothing is ever reset. Window thread only; allocates nothing per sample.

#include "BitDecisionSink.h"
#include "ReceiverSettings.h"

#include <cstdint>

class MskDemodulator {
public:
    MskDemodulator(const ReceiverSettings& settings, BitDecisionSink& decisions, PhasePointSink* display);
    void DemodulateSample(std::int16_t x);
    // (helper fills in the blocks and state)
};
