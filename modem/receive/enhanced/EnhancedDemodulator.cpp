// SPDX-License-Identifier: GPL-3.0-or-later
#include "modem/receive/enhanced/EnhancedDemodulator.h"

#include "modem/receive/SignalSquelch.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr std::size_t kSmallestTransform = 8;
constexpr Real kTimingSlope = -0.009;        // timing detector output per sample of error, over the amplitude
constexpr Real kTimingClip = 4.0;            // samples: one error's largest say
constexpr Real kLineWeight = 0.05;           // the decision-free estimate's share of the error
constexpr Real kAmplitudeMemory = 0.98;      // running mean, per bit
constexpr Real kRecentAmplitudeMemory = 0.75; // the quick one, about 4 bits
constexpr Real kTinyAmplitude = 1e-12;       // keeps silence from dividing by zero
constexpr Real kHoldEbOverN0 = 3.0;          // 4.8 dB: noise alone reads about 1.7
constexpr Real kHalfTaughtEbOverN0 = 1.0;    // a bit heard at this Eb/N0 teaches the carrier loop half as much
constexpr Real kOnesMemory = 0.97;           // per bit: the share of 1 bits over about 32 bits
constexpr Real kSteadyToneShare = 0.85;      // of 1 bits, beyond which the signal is a steady tone
constexpr Real kTrendMemory = 0.99;          // per bit: the correction's trend over about 100 bits
// R per bit (0.05 Hz a second at 31 baud): a trend this steep is a drifting station,
// whose ramp the carrier loop learns quickly at an over's start.
constexpr Real kDriftTrendBits = 5e-5;
// Of the search's range: a station read cleanly this far off the mixer is
// followed by moving the mixer onto it.
constexpr Real kFollowBeyondRange = 0.5;
constexpr std::int64_t kFollowAfterHeldBits = 64;  // read cleanly this long, to be followed
constexpr std::int64_t kKeepLoopAfterHeldBits = 64;  // ... and to keep the carrier loop through a large move
// Bits a second below which that is done: from 125 baud a hundredth of the bit rate
// is 1.25 Hz or more, beyond a drift's step between transforms, and a move that
// large is the search stepping to or around another signal (with a carrier 50 Hz
// off at 500 baud, keeping the loop through it cost 20 % of the text at 10 dB).
constexpr Real kKeepLoopBelowBitRate = 100;
constexpr Real kFollowTrackedRange = 0.25;         // of the search's range: and tracked this far since a jump
constexpr Real kReturnAfterQuietSeconds = 5;  // with no station, the mixer goes back to the centre
// Bits a second from which each tone gets a phase of its own: at 125 baud the tones
// are 62.5 Hz apart, which a second ray 1 ms late turns by 0.39 rad; at 31 baud
// (15.6 Hz) by 0.1 rad, less than the estimate's own noise costs there.
constexpr Real kSkewedFromBitRate = 100;
// Bits a second below which the coherent decisions take the second look: 31
// baud, where the bench's fading channels showed its gain. At 125 baud the
// carrier loop follows the fades (0.1 Hz is a thousandth of the bit rate) and
// the reference of 8 bits only adds its noise: measured there (24 seeds) it cost
// CCIR good 0.4 dB at 1 %, and white noise 0.2 dB; at 63 baud white noise 0.2 dB
// (8 seeds), with no fading channel measured to set against it.
constexpr Real kSecondLookBelowBitRate = 50;
static_assert(kSecondLookBelowBitRate <= kSkewedFromBitRate, "the second look reads both tones on the carrier's phase");

// How far from the centre a carrier matters to the chain: the search's range
// and a bit rate more.
Real notchReachHz(const SpeedPlan& plan)
{
    return plan.searchRangeHz + plan.bitRate;
}

// Whether a bit reads as a 0 against the phase its start should have.
bool readsAsZero(Complex zero, Complex one, Real phase)
{
    const Complex reference = unitPhasor(-phase);
    return (zero * reference).real() > (one * reference).real();
}

// x wrapped to [-span / 2, span / 2).
Real wrapTo(Real x, Real span)
{
    return x - span * std::floor(x / span + 0.5);
}

}  // namespace

EnhancedDemodulator::Chain::Chain(const SpeedPlan& plan_, const kissfft<Real>& transform,
                                  const kissfft<Real>& notchTransform, PhasePointSink* display)
    : plan(plan_), blanker(plan.sampleRate), frontEnd(plan.frontEnd),
      notch(plan.bitRate, notchReachHz(plan), plan.frontStopHz, notchTransform), search(plan, transform), filters(plan.modulationIndex),
      carrier(plan.modulationIndex, plan.bitRate), timing(SpeedPlan::kSamplesPerBit),
      frontEndDelay(static_cast<int>(std::lround((static_cast<Real>(plan.frontEnd.count) - 1) / 2 * plan.tickRate / plan.sampleRate)))
{
    fading.setSpeed(plan.bitRate, plan.modulationIndex);
    if (display)
        scope.emplace(*display);
}

EnhancedDemodulator::EnhancedDemodulator(const ReceiverSettings& settings, BitDecisionSink& decisions,
                                         PhasePointSink* display)
    : settings_(settings), decisions_(decisions), display_(display), tunedCentre_(settings.centreFrequency)
{
    for (std::size_t n = kSmallestTransform; n <= SpeedPlan::kMaxTransform; n *= 2)
        transforms_.emplace_back(n, false);
    startChain();
}

Real EnhancedDemodulator::timingBandwidth() const
{
    // "Slow sync" and "Fast sync" set the classic loop's gain; here they choose
    // the timing loop's bandwidth.
    return settings_.timingGain < (kSlowSyncGain + kFastSyncGain) / 2 ? BitTimingLoop::kSlowBandwidthBits
                                                                       : BitTimingLoop::kFastBandwidthBits;
}

void EnhancedDemodulator::startChain()
{
    const SpeedPlan plan(static_cast<Real>(settings_.sampleRate), settings_.tickRate);
    std::size_t index = 0;
    for (std::size_t n = kSmallestTransform; n < plan.transformSize; n *= 2)
        ++index;
    index = std::min(index, transforms_.size() - 1);
    std::size_t notchIndex = 0;
    for (std::size_t n = kSmallestTransform; n < SteadyCarrierNotch::lookLength(plan.bitRate, notchReachHz(plan), plan.frontStopHz);
         n *= 2)
        ++notchIndex;
    chain_.emplace(plan, transforms_[index], transforms_[notchIndex], display_);
    followHz_ = 0;
    state_ = {};
}

void EnhancedDemodulator::DemodulateSample(std::int16_t x)
{
    if (settings_.tickRate != chain_->plan.tickRate || static_cast<Real>(settings_.sampleRate) != chain_->plan.sampleRate)
        startChain();
    Chain& c = *chain_;
    const Real sampleRate = c.plan.sampleRate;
    mutedSamples_ = std::abs(x) <= kMutedPeak ? mutedSamples_ + 1 : 0;
    if (settings_.centreFrequency != tunedCentre_) {
        // Retuned (the arrows, or a click on the waterfall): the mixer goes to the
        // new centre and the correction moves the other way, mirrored when the
        // baseband is.
        const Real moved = settings_.centreFrequency - (tunedCentre_ + followHz_);
        c.search.retune(settings_.reverse ? moved : -moved);
        tunedCentre_ = settings_.centreFrequency;
        stopFollowing();
    }

    // Mixer: the centre frequency (and what a drifting station was followed by) to 0 Hz.
    c.frontEnd.push(c.blanker.step(x * kInputScale) * mixer_.step((settings_.centreFrequency + followHz_) / sampleRate));
    if (!c.decimation.step(c.plan.tickRate / sampleRate))
        return;
    // A station on the other sideband has its spectrum mirrored about the centre:
    // the conjugate baseband mirrors it back, so that everything after (search,
    // detector, preamble, scope) sees the signal the right way round.
    const Complex decimated = c.frontEnd.output();
    decimatedSample(settings_.reverse ? std::conj(decimated) : decimated);
}

void EnhancedDemodulator::stopFollowing()
{
    followHz_ = 0;
    chain_->followDelay = 0;
    chain_->followInFlight = 0;
    chain_->followedHz = 0;
}

void EnhancedDemodulator::decimatedSample(Complex input)
{
    Chain& c = *chain_;
    const std::int64_t n = ++c.newest;
    c.notch.setStation(c.search.held(), c.search.offsetHz());
    const Complex decimated = c.notch.step(input);
    if (c.notch.engagements() != c.notchEngagements) {
        // Until now the search saw the carrier: its readings are no guide.
        c.notchEngagements = c.notch.engagements();
        c.search.restart();
    }
    c.search.setResidualHz(c.carrier.drift() * c.plan.bitRate / (2 * kPi), c.holding ? c.correctionTrend : 0);
    c.search.step(decimated);
    if (c.search.transforms() != c.linesTransforms) {
        // Whether the search sees a station's lines, for following a drifting one.
        c.linesTransforms = c.search.transforms();
        const Real lines = presence();
        if (lines < c.lineLevels.fade) {
            if (!c.quiet)
                c.quietFrom = n;
            c.quiet = true;
        } else if (lines > c.lineLevels.open) {
            c.quiet = false;
        }
    }
    const Real off = c.search.correctionHz();
    if (c.heldBits >= kFollowAfterHeldBits && std::abs(off) > kFollowBeyondRange * c.plan.searchRangeHz &&
        std::abs(c.lastCorrectionHz - c.trackedFrom) > kFollowTrackedRange * c.plan.searchRangeHz) {
        // A station read cleanly for a while, that drifted there (tracked, not
        // found there by a jump), is half the search's range off the mixer: the
        // mixer moves onto it, and the search
        // has its whole range either side of it again. Without this a station
        // drifting 0.5 Hz a second leaves a 31-baud search's +-45 Hz after a
        // minute and a half. The station stays where it is, so the correction
        // moves the other way; the samples still in the front end were mixed at
        // the old frequency, so the matched filters keep the old correction
        // until they are through.
        const Real shift = c.search.follow(off);
        followHz_ += settings_.reverse ? -shift : shift;
        c.followInFlight = shift;
        c.followDelay = c.frontEndDelay;
    }
    if (c.holding)
        c.heldAt = n;
    if (followHz_ != 0 && c.quiet && !c.holding &&
        static_cast<Real>(n - std::max(c.quietFrom, c.heldAt)) > kReturnAfterQuietSeconds * c.plan.tickRate) {
        // The station that was followed has gone (its lines fell away, and
        // nothing has been read cleanly since): the next is looked for about
        // the operator's centre frequency again. A weak station's lines may read
        // as gone while its bits still come through.
        c.search.retune(settings_.reverse ? -followHz_ : followHz_);
        stopFollowing();
    }
    if (c.followDelay > 0 && --c.followDelay == 0) {
        c.followedHz += c.followInFlight;
        c.followInFlight = 0;
    }
    const Real offset = c.search.correctionHz() + c.followInFlight;
    const std::size_t slot = static_cast<std::size_t>(n) & (BitMatchedFilters::kHistory - 1);
    // The station's frequency as the loops see it: continuous across a follow.
    c.correctionHz[slot] = offset + c.followedHz;
    c.correctionJumps[slot] = c.search.jumps();
    c.filters.step(decimated * c.correction.step(offset / c.plan.tickRate));
    c.line.step(n, c.filters.zeroAtSample(n), c.filters.oneAtSample(n));
    if (c.scope)
        c.scope->step(n, decimated);
    while (static_cast<Real>(n) >= std::floor(c.timing.strobe()) + PreambleEndSearch::kLookAhead)
        detectBit();
}

void EnhancedDemodulator::detectBit()
{
    Chain& c = *chain_;
    Real t = c.timing.strobe();
    const auto whole = static_cast<std::int64_t>(std::floor(t));

    // The frequency correction as it stood for this bit. After a jump or a move
    // of more than a hundredth of the bit rate, the correction is the better
    // guess of the frequency, so the loop's learnt drift starts again from 0;
    // but not on a station read cleanly for a while, which the loop follows
    // better than the search: a large tracking move is then the search's noise
    // (or its trend starting afresh, which pulls the correction back by a
    // second's drift), and starting the loop afresh in the middle of a drifting
    // over, near the threshold, cost it the next hundred bits while its ramp
    // was learnt again. (A brief hold on noise as an over starts does not
    // count: there the move is the search finding the station, and keeping the
    // loop through it cost a first word after noise.)
    // Smaller (tracking) moves are taken off the drift once that has settled (it
    // is then the residual frequency); just after a fresh start, while the search
    // still converges, that would push the loop away, so they are left to the loop.
    const std::size_t slot = static_cast<std::size_t>(whole) & (BitMatchedFilters::kHistory - 1);
    const Real correction = c.correctionHz[slot];
    const Real move = correction - c.lastCorrectionHz;
    const bool trackingMove = std::abs(move) <= FrequencySearch::kMinJumpBits * c.plan.bitRate;
    if (c.correctionJumps[slot] != c.lastJumps ||
        (!trackingMove &&
         (c.heldBits < kKeepLoopAfterHeldBits || c.plan.bitRate >= kKeepLoopBelowBitRate))) {
        c.carrier.forgetDrift();
        c.trackedFrom = correction;
    } else {
        // A drifting station: the search follows it and the moves have a steady
        // trend, the drift itself, which the carrier loop must not undo. Only the
        // moves beside the trend (the search settling, or its noise) are taken off,
        // and that on every bit: the search moves only when it has a new reading,
        // and taking the trend off only then would leave the loop to follow
        // half the drift (a standing phase error of 0.13 radians at 31 baud
        // and 0.5 Hz a second near the threshold).
        // (A move too large for tracking, on a station read cleanly, is no drift.)
        if (trackingMove)
            c.correctionTrend = kTrendMemory * c.correctionTrend + (1 - kTrendMemory) * move;
        // In noise the search moves now and then, and the trend is only taken
        // off with its moves: there it is the noise's, not a drift to follow.
        if (c.carrier.settled() && (move != 0 || c.holding))
            c.carrier.shiftDrift(2 * kPi * (move - c.correctionTrend) / c.plan.bitRate);
    }
    c.lastJumps = c.correctionJumps[slot];
    c.lastCorrectionHz = correction;

    Complex zero = c.filters.zeroAt(t);
    Complex one = c.filters.oneAt(t);
    if (c.preamble.armed() && readsAsZero(zero, one, c.carrier.phase() + kPi / 2 * c.trellis.bestState())) {
        const std::optional<Real> found = c.preamble.search(c.filters, t);
        if (found) {
            t = *found;
            c.timing.moveTo(t);
            c.timing.acquire();
            zero = c.filters.zeroAt(t);
            one = c.filters.oneAt(t);
            // This bit is a 0; its filter holds the phase at the bit's start, which
            // the best state says is theta + m pi / 2.
            c.carrier.setPhase(std::arg(zero) - kPi / 2 * c.trellis.bestState());
            c.fading.restart(std::abs(zero));
            c.toneSkew.restart();
            c.selector.restart();
        }
    }

    // Each tone against its own phase, the carrier's plus or minus half the skew,
    // where the tones are far enough apart for two rays to turn them differently.
    const bool skewed = c.plan.bitRate >= kSkewedFromBitRate;
    const Complex carrier = unitPhasor(-c.carrier.phase());
    const Complex halfSkew = skewed ? c.toneSkew.halfTurn() : Complex(1, 0);  // e^(j skew / 2)
    std::array<Complex, MskTrellis::kStates> zeroReferences, oneReferences;
    zeroReferences.fill(carrier * halfSkew);
    oneReferences.fill(carrier * std::conj(halfSkew));
    const MskTrellis::Branch branch = c.trellis.step(zero, one, zeroReferences, oneReferences);
    const Complex reference = unitPhasor(-(c.carrier.phase() + kPi / 2 * branch.fromState));
    const Complex onCarrier = (branch.bit ? one : zero) * reference;
    // Learnt only from a station read well out of the noise: through seconds of
    // noise before an over it would wander off and garble the over's first words.
    if (skewed && c.carrier.settled() && c.snr.ebOverN0() > kHoldEbOverN0)
        c.toneSkew.step(onCarrier, branch.bit);
    const Complex aligned = onCarrier * (branch.bit ? std::conj(halfSkew) : halfSkew);
    const Real phaseError = std::arg(aligned);
    c.fading.step(zero, one, carrier);
    const bool secondLook = c.plan.bitRate < kSecondLookBelowBitRate;
    if (secondLook)
        c.smoothed.step(zero, one, carrier, c.trellis);
    c.selector.step(aligned, c.fading.predictionError(), c.fading.noise(), skewed);
    state_.fadingDetector = c.selector.fast();
    const Real amplitude = std::abs(aligned);
    state_.amplitude = state_.bits == 0 ? amplitude : kAmplitudeMemory * state_.amplitude + (1 - kAmplitudeMemory) * amplitude;
    state_.recentAmplitude = state_.bits == 0 ? amplitude
                                              : kRecentAmplitudeMemory * state_.recentAmplitude + (1 - kRecentAmplitudeMemory) * amplitude;

    // Timing: the derivative filter against the bit boundary's phase, plus a
    // little of the decision-free estimate (which alone pulls in from anywhere).
    // Only a change of tone tells where a bit begins: across a run of equal bits
    // the signal is one steady tone, on which a shift in time looks exactly like
    // a shift in phase, which the carrier loop has already taken; there the
    // detector would only push the clock along its own bias (through a whole
    // preamble, by a bit or more at 31 baud in noise).
    Real timingError = 0;
    // In fast fading the fading detector's reference holds the path's phase as the
    // last bit left it, where the carrier loop lags: the timing detector turns
    // its output with that reference, and its best path says where the tone changes.
    const bool fading = c.selector.fast() && c.carrier.settled();
    const int timingBit = fading ? c.fading.bit() : branch.bit;
    if (timingBit != c.lastBit) {
        timingError = (c.filters.timingAt(t) * (fading ? c.fading.reference() : reference)).real() /
                      (state_.amplitude * kTimingSlope + kTinyAmplitude);
        timingError = std::clamp(timingError, -kTimingClip, kTimingClip);
    }
    c.lastBit = timingBit;
    timingError += kLineWeight * wrapTo(c.line.bitEndAt(whole) - t, SpeedPlan::kSamplesPerBit);

    c.snr.step(aligned, state_.amplitude);
    // The search holds where the detector reads a station cleanly: well out of
    // the noise, and not a steady tone (a preamble, which the search must be
    // free to find, or a carrier the loop has locked on).
    c.onesShare = kOnesMemory * c.onesShare + (1 - kOnesMemory) * branch.bit;
    c.holding = c.carrier.settled() && c.snr.ebOverN0() > kHoldEbOverN0 && c.onesShare < kSteadyToneShare;
    c.heldBits = c.holding ? c.heldBits + 1 : 0;
    c.search.hold(c.holding);
    c.carrier.setBandwidth(CarrierPhaseLoop::bandwidthFor(c.snr.ebOverN0()));
    state_.ebOverN0 = c.snr.ebOverN0();
    state_.carrierBandwidth = c.carrier.bandwidth();

    state_.phase = c.carrier.phase();
    state_.carrierDrift = c.carrier.drift();
    state_.phaseError = phaseError;
    state_.timingError = timingError;
    state_.strobe = t;
    // How far this bit may teach the carrier loop's memory (its drift and ramp).
    // In a fade the matched filter's phase is the noise's, spread over the whole
    // turn, while the Eb/N0 measured over 50 bits still holds the loop wide: a
    // few tens of such bits at full weight walked the drift to its limit (0.31
    // rad a bit, 1.5 Hz at 31 baud, beyond what the loop pulls in from), and the
    // loop spun for seconds after the station came back. The bit's own Eb/N0 (the
    // measured one times the bit's power against the recent mean) sets the weight:
    // heard / (heard + 1), so a bit heard at the noise's level teaches half as much
    // and a clear one nearly in full; and a bit with no station heard (below)
    // teaches nothing. In the pause before a reply the noise's bits taught at
    // about half weight and walked the drift off (at 125 baud, 2 s after an over
    // at 0 dB, to its limit); the reply lost its first word in 3 of 16 pairs.
    const Real relative = amplitude / (state_.amplitude + kTinyAmplitude);  // against the recent mean
    const Real heard = c.snr.ebOverN0() * relative * relative;
    // Whether a station is heard at all: after a strong over the Eb/N0 of 50
    // bits reads above the hold's threshold for seconds of noise, so it counts
    // only as far as the recent amplitude has kept to the long-run one.
    const Real recentShare = std::min(state_.recentAmplitude / (state_.amplitude + kTinyAmplitude), Real(1));
    const bool stationHeard = c.snr.ebOverN0() * recentShare * recentShare > kHoldEbOverN0;
    c.carrier.hear(stationHeard);
    c.carrier.step(phaseError, branch.bit, c.holding, std::abs(c.correctionTrend) >= kDriftTrendBits * c.plan.bitRate,
                   stationHeard ? heard / (heard + kHalfTaughtEbOverN0) : 0);
    if (c.preamble.note(branch.bit))
        c.timing.acquire();
    c.timing.step(timingError, timingBandwidth());
    state_.rateError = c.timing.rateError();
    ++state_.bits;

    if (c.scope)
        c.scope->bitStrobe(t);
    if (c.trellis.hasDecision()) {
        const int bit = c.selector.fast() ? c.fading.decision()
                        : secondLook      ? c.smoothed.decision()
                                          : c.trellis.decision();
        decisions_.DecideBit(bit ? 1.0 : -1.0);
    }
}
