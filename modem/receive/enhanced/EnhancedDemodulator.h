// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The enhanced MSK demodulator: coherent detection with automatic frequency
// correction and a fast start, beside the classic MskDemodulator.
//
// Per recorded sample a noise blanker silences bursts of static, a complex
// oscillator mixes the centre frequency down and a Kaiser low-pass keeps 16
// samples a bit. On those:
//  - SteadyCarrierNotch takes off a carrier that has stood steady for seconds;
//  - FrequencySearch finds the station's offset (+-45 Hz) from the squared
//    signal's spectral lines, and a second oscillator takes it off;
//  - BitMatchedFilters correlates with each tone's one-bit phase ramp, and a
//    half-sine derivative filter measures timing; SymbolRateLine gives a timing
//    estimate that needs no decisions, to pull the bit clock in;
// and once per bit, 1.6 bits behind the newest sample (the preamble search reads
// ahead), at the strobe of BitTimingLoop:
//  - PreambleEndSearch puts the bit grid on the text's first bits;
//  - MskTrellis (4-state Viterbi) detects the bit coherently against the phase of
//    CarrierPhaseLoop (from 125 baud each tone turned by half the skew that
//    ToneSkewEstimate measures between them), and decides each bit 4 bits later;
//  - the loops take their errors from the best path's newest branch, and the
//    carrier loop its bandwidth from the Eb/N0 measured there (BitSnrEstimate);
//  - at 31 baud SmoothedCoherentDetector reads each bit again 2 bits later
//    against the bits either side of it on that path, and decides it then;
//  - FadingDetector reads the same bit against a reference that follows fast
//    fading, and DetectorSelector takes each decision from the one that fits.
// The decisions go to the decoder as +1 (a 1 bit) or -1. The scope gets the classic
// phase traces placed by this chain's strobes (ScopeTraceAdapter).
//
// Settings are read on every sample; a change of speed or assumed sample rate
// starts the chain afresh for the new speed. With `reverse` (a station on the
// other sideband, the tones swapped) the chain works on the mirrored spectrum. Window thread only; allocates
// nothing per sample.
//
// The blocks' per-sample steps are written in their headers, so that they are
// inlined into this chain's sample loop: passed across a call, each complex
// sample went through memory, and at 500 baud (a step per recorded sample)
// that was a sixth of the chain's time. What they do once a bit or less often
// stays in their own files.

#include "modem/dsp/DecimatingLowPass.h"
#include "modem/dsp/DecimationClock.h"
#include "modem/dsp/PhasorOscillator.h"
#include "modem/receive/BitDecisionSink.h"
#include "modem/receive/ReceiverSettings.h"
#include "modem/receive/ScopeTraceAdapter.h"
#include "modem/receive/SignalSquelch.h"
#include "modem/receive/SpeedPlan.h"
#include "modem/receive/enhanced/BitMatchedFilters.h"
#include "modem/receive/enhanced/BitSnrEstimate.h"
#include "modem/receive/enhanced/BitTimingLoop.h"
#include "modem/receive/enhanced/CarrierPhaseLoop.h"
#include "modem/receive/enhanced/DetectorSelector.h"
#include "modem/receive/enhanced/FadingDetector.h"
#include "modem/receive/enhanced/FrequencySearch.h"
#include "modem/receive/enhanced/MskTrellis.h"
#include "modem/receive/enhanced/NoiseBlanker.h"
#include "modem/receive/enhanced/PreambleEndSearch.h"
#include "modem/receive/enhanced/SmoothedCoherentDetector.h"
#include "modem/receive/enhanced/SteadyCarrierNotch.h"
#include "modem/receive/enhanced/SymbolRateLine.h"
#include "modem/receive/enhanced/ToneSkewEstimate.h"

#include <kissfft/kissfft.hh>

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

class EnhancedDemodulator {
public:
    static constexpr int kDecisionDelayBits = 4;     // the trellis's decision delay
    static_assert(kDecisionDelayBits > SmoothedCoherentDetector::kAheadBits, "the second look decides no sooner");
    static constexpr Real kInputScale = 1.0 / 32768;  // 16-bit full scale to 1
    static constexpr int kMutedPeak = 2;          // 16-bit steps
    static constexpr Real kMutedSeconds = 0.1;

    // settings are read afresh on every sample; display may be null.
    EnhancedDemodulator(const ReceiverSettings& settings, BitDecisionSink& decisions, PhasePointSink* display);
    EnhancedDemodulator(const EnhancedDemodulator&) = delete;
    EnhancedDemodulator& operator=(const EnhancedDemodulator&) = delete;

    void DemodulateSample(std::int16_t x);

    // The frequency correction: Hz of the station above centreFrequency (below it
    // when reversed, where the chain works on the mirrored spectrum).
    Real afcOffsetHz() const
    {
        return followHz_ + (settings_.reverse ? -chain_->search.correctionHz() : chain_->search.correctionHz());
    }

    // The state after the newest bit, for a trace or a test.
    struct BitState {
        std::int64_t bits = 0;   // bits detected so far
        Real strobe = 0;         // decimated samples since the chain (re)started
        Real phase = 0;          // carrier phase, radians
        Real phaseError = 0;     // of the best branch, radians
        Real timingError = 0;    // samples, positive: bits end later than the strobe
        Real amplitude = 0;      // running mean of the best branch's magnitude (50 bits)
        Real recentAmplitude = 0;  // the same over about 4 bits
        Real rateError = 0;      // bit clock, fraction of the nominal rate
        Real ebOverN0 = 0;       // measured on the detector's output, a power ratio
        Real carrierBandwidth = 0;  // the carrier loop's B_L * T
        Real carrierDrift = 0;      // the carrier loop's drift, radians per bit
        bool fadingDetector = false;  // the decisions come from FadingDetector
    };
    const BitState& bitState() const { return state_; }
    const SpeedPlan& plan() const { return chain_->plan; }
    // The frequency search's line-to-floor ratio of its last transform, and how
    // strongly a signal's lines stand out at the current correction lately.
    Real lineToFloor() const { return chain_->search.lineToFloor(); }
    // A muted input (a tenth of a second within two steps of 0: no radio's
    // noise is that quiet) has no signal whatever the spectrum's history says.
    Real presence() const { return muted() ? 0 : chain_->search.presence(); }
    bool muted() const { return static_cast<Real>(mutedSamples_) >= kMutedSeconds * chain_->plan.sampleRate; }
    // Transforms the frequency search has made since the chain (re)started.
    std::uint64_t transforms() const { return chain_->search.transforms(); }
    // The carrier the notch takes off (Hz from the centre), if any.
    bool notching() const { return chain_->notch.engaged(); }
    Real notchedCarrierHz() const { return chain_->notch.carrierHz(); }
    // Recorded samples the noise blanker has set to 0 since the chain (re)started.
    std::uint64_t blankedSamples() const { return chain_->blanker.blanked(); }

private:
    // Everything that depends on the speed, made afresh when the speed changes.
    struct Chain {
        Chain(const SpeedPlan& plan, const kissfft<Real>& transform, const kissfft<Real>& notchTransform,
              PhasePointSink* display);

        SpeedPlan plan;
        NoiseBlanker blanker;
        DecimationClock decimation;
        DecimatingLowPass frontEnd;
        SteadyCarrierNotch notch;
        std::uint64_t notchEngagements = 0;
        FrequencySearch search;
        PhasorOscillator correction;
        BitMatchedFilters filters;
        SymbolRateLine line;
        MskTrellis trellis{kDecisionDelayBits};
        ToneSkewEstimate toneSkew;
        SmoothedCoherentDetector smoothed{kDecisionDelayBits};
        FadingDetector fading{kDecisionDelayBits};
        DetectorSelector selector;
        CarrierPhaseLoop carrier;
        BitSnrEstimate snr;
        BitTimingLoop timing;
        PreambleEndSearch preamble;
        std::optional<ScopeTraceAdapter> scope;
        // The correction and the search's jump count, per decimated sample.
        std::array<Real, BitMatchedFilters::kHistory> correctionHz{};
        std::array<std::uint64_t, BitMatchedFilters::kHistory> correctionJumps{};
        std::int64_t newest = -1;
        Real lastCorrectionHz = 0;
        Real correctionTrend = 0;  // Hz per bit: a drifting station's steady moves
        Real trackedFrom = 0;      // Hz: the correction at the last jump
        std::uint64_t lastJumps = 0;
        std::uint64_t linesTransforms = 0;  // the search's transforms when its lines were last read
        SquelchLevels lineLevels = squelchLevels(plan.tickRate);  // lines there / gone
        bool quiet = true;
        std::int64_t quietFrom = 0;  // decimated sample at which the lines last fell away
        std::int64_t heldAt = 0;     // decimated sample of the last bit read cleanly
        // Following a drifting station: the decimated samples the front end delays
        // a move of the mixer by, the move not yet through it, and the moves made
        // (Hz, in the baseband the search and detector see).
        int frontEndDelay = 0;
        int followDelay = 0;
        Real followInFlight = 0;
        Real followedHz = 0;
        bool holding = false;  // the search held: the detector reads a station cleanly
        std::int64_t heldBits = 0;  // ... for so many bits in a row
        int lastBit = 1;  // of the best path's newest branch
        Real onesShare = 1;  // of the best path's newest branches, lately
    };

    void startChain();
    void stopFollowing();  // the mixer back on the centre frequency
    void decimatedSample(Complex decimated);
    void detectBit();
    Real timingBandwidth() const;

    const ReceiverSettings& settings_;
    BitDecisionSink& decisions_;
    PhasePointSink* display_;
    std::vector<kissfft<Real>> transforms_;  // lengths 2^k, made once
    PhasorOscillator mixer_;
    Real tunedCentre_;  // the centre frequency the search's estimate refers to
    // Hz the mixer sits above the centre frequency: a drifting station read
    // cleanly is followed beyond the search's range (see decimatedSample).
    Real followHz_ = 0;
    std::uint64_t mutedSamples_ = 0;  // in a row within kMutedPeak of 0
    std::optional<Chain> chain_;
    BitState state_;
};
