// SPDX-License-Identifier: GPL-3.0-or-later
#include "modem/receive/enhanced/FrequencySearch.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace {

// The share of a steady tone's energy that a one-bit filter takes from it
// apartBits bit rates away: sinc^2.
Real oneBitFilterShare(Real apartBits)
{
    const Real x = kPi * apartBits;
    return std::abs(x) < 1e-9 ? 1 : std::pow(std::sin(x) / x, 2);
}

}  // namespace

FrequencySearch::FrequencySearch(const SpeedPlan& plan, const kissfft<Real>& transform)
    : bitRate_(plan.bitRate), twoToneOffsets_(2 * plan.toneOffsetHz),
      binHz_(plan.tickRate / static_cast<Real>(plan.squareDecimation * plan.transformSize)),
      gridStep_(plan.bitRate / static_cast<Real>(kGridPerBit)), squareDecimation_(plan.squareDecimation),
      window_(plan.searchWindow),
      hop_(plan.searchHopBits * SpeedPlan::kSamplesPerBit / plan.squareDecimation),
      hopBits_(plan.searchHopBits), size_(plan.transformSize),
      forgetting_(std::pow(kForgetting, static_cast<Real>(plan.searchHopBits) / SpeedPlan::kSearchHopBits)),
      recentForgetting_(std::pow(kRecentForgetting, static_cast<Real>(plan.searchHopBits) / SpeedPlan::kSearchHopBits)),
      transform_(&transform), preFilter_(plan.preFilter), quality_(plan.bitRate, plan.modulationIndex)
{
    for (std::size_t n = 0; n < window_; ++n)
        hann_[n] = 0.5 - 0.5 * std::cos(2 * kPi * static_cast<Real>(n) / static_cast<Real>(window_ - 1));
    gridCount_ = std::min(kMaxGrid, static_cast<std::size_t>(std::floor(2 * plan.searchRangeHz / gridStep_)) + 1);
    gridStart_ = -gridStep_ * static_cast<Real>(gridCount_ - 1) / 2;
    lagTransforms_ = 1 / (1 - forgetting_) + 0.5 * static_cast<Real>(SpeedPlan::kSearchWindowBits) / static_cast<Real>(plan.searchHopBits);
}

Real FrequencySearch::spectrumAt(const Real* spectrum, Real hz) const
{
    // Linear interpolation between bins; negative frequencies wrap to the top half.
    // The size is a power of two, so the wrap is a mask.
    const Real x = hz / binHz_;
    const Real i = std::floor(x);
    const Real mu = x - i;
    const std::size_t mask = size_ - 1;
    const auto k = static_cast<std::size_t>(static_cast<std::int64_t>(i)) & mask;
    return spectrum[k] * (1 - mu) + spectrum[(k + 1) & mask] * mu;
}

Real FrequencySearch::score(const Real* spectrum, Real offset, bool strict) const
{
    const Real lower = spectrumAt(spectrum, 2 * offset - bitRate_ / 2);
    const Real upper = spectrumAt(spectrum, 2 * offset + bitRate_ / 2);
    Real pair = lower + upper;
    if (strict && std::min(lower, upper) < kLopsidedRatio * std::max(lower, upper))
        pair = 2 * std::min(lower, upper);
    return std::max(pair, kPreambleWeight * spectrumAt(spectrum, 2 * offset - twoToneOffsets_));
}

FrequencySearch::Peak FrequencySearch::recentPeak() const
{
    Peak p{gridStart_, 0};
    for (std::size_t i = 0; i < gridCount_; ++i) {
        const Real hz = gridStart_ + gridStep_ * static_cast<Real>(i);
        const Real there = score(recent_.data(), hz, false);
        if (there > p.score)
            p = {hz, there};
    }
    return p;
}

FrequencySearch::Peak FrequencySearch::peak(std::size_t from, std::size_t to) const
{
    std::size_t best = from;
    for (std::size_t i = from; i < to; ++i)
        if (scores_[i] > scores_[best])
            best = i;
    Peak p{gridStart_ + gridStep_ * static_cast<Real>(best), scores_[best]};
    if (best > from && best + 1 < to) {
        // A parabola through the peak and its neighbours.
        const Real a = scores_[best - 1];
        const Real b = scores_[best];
        const Real c = scores_[best + 1];
        const Real den = a - 2 * b + c;
        if (den < 0)
            p.offset += 0.5 * (a - c) / den * gridStep_;
    }
    return p;
}

void FrequencySearch::search()
{
    // The last window of the squared signal, oldest first, Hann-weighted, zero-padded.
    const Complex* w = squared_.data() + write_;
    for (std::size_t n = 0; n < window_; ++n)
        in_[n] = w[n] * hann_[n];
    std::fill(in_.begin() + static_cast<std::ptrdiff_t>(window_), in_.begin() + static_cast<std::ptrdiff_t>(size_), Complex{});
    transform_->transform(in_.data(), out_.data());
    Real total = 0;
    Real recentTotal = 0;
    const bool first = transforms_ == 0;
    for (std::size_t k = 0; k < size_; ++k) {
        const Real p = std::norm(out_[k]);
        spectrum_[k] = first ? p : forgetting_ * spectrum_[k] + p;
        recent_[k] = first ? p : recentForgetting_ * recent_[k] + p;
        total += spectrum_[k];
        recentTotal += recent_[k];
    }
    ++transforms_;

    for (std::size_t i = 0; i < gridCount_; ++i)
        scores_[i] = score(spectrum_.data(), gridStart_ + gridStep_ * static_cast<Real>(i), false);
    const Peak best = peak(0, gridCount_);
    const Real floor = total / static_cast<Real>(size_);
    lineToFloor_ = floor > 0 ? best.score / floor : 0;

    Real to = 0;
    bool jump = false;
    bool kept = false;
    bool leftSteadyTone = false;
    sinceHeldBits_ = held_ ? 0 : std::min(sinceHeldBits_ + hopBits_, kNeverHeld);
    shunnedBits_ = shunnedBits_ > hopBits_ ? shunnedBits_ - hopBits_ : 0;
    heldHereBits_ = held_ ? std::min(heldHereBits_ + hopBits_, kNeverHeld) : heldHereBits_;
    const Real linesHere = score(spectrum_.data(), offset_, true);  // the estimate's own, in the long average
    if (held_) {
        steadyBits_ = 0;
        // (The reading at the estimate is asked for at most once.)
        std::optional<OffsetQuality::Reading> hereReading;
        jump = linelessJump(best, linesHere, floor, hereReading, to);
        // Held on only 0s (at most one 1 in a reading), a steady upper tone,
        // which a text never is: that is also how a preamble twice the tone
        // offset above reads here, its lower tone on the estimate's upper one
        // (a reply 15 Hz up at 31 baud, after the first over). The detector
        // reads it as cleanly as a station and held the search through the
        // whole preamble; the loops then started on the reply's text and lost
        // its first characters. A preamble that reads clearly there is taken,
        // if the lines of the last few transforms agree: its one line stands,
        // and the lower line of a station at the estimate does not (a reply's
        // preamble left it under a hundredth of the preamble's line). A station
        // read cleanly beside a neighbour 6 dB stronger and 60 Hz above reads
        // as only 0s at times, the neighbour's leak tipping its 1s, and its 0s
        // read as 1s twice the tone offset above; but its lines stand as a
        // pair (its lower line a quarter of the other at the least).
        const Real above = offset_ + twoToneOffsets_;
        const bool lonePreambleLine = spectrumAt(recent_.data(), 2 * offset_ - bitRate_ / 2) <
                                      kLonePreambleRatio * spectrumAt(recent_.data(), 2 * above - twoToneOffsets_);
        if (!jump && quality_.ready() && above <= gridStart_ + gridStep_ * static_cast<Real>(gridCount_ - 1) &&
            !shunned(above) && lonePreambleLine && readOnce(hereReading, offset_).onesShare <= kPreambleBelowShare &&
            preambleAt(above)) {
            jump = true;
            to = above;
        }
    } else {
        const OffsetQuality::Reading now = current();
        const bool proposed = best.score > kJumpRatio * linesHere &&
                              std::abs(best.offset - offset_) > kMinJumpBits * bitRate_;
        const bool preambleAtCentre = proposed && quality_.ready() && std::abs(best.offset) <= kMinJumpBits * bitRate_ &&
                                      preambleAt(best.offset);
        // While not held the candidates (the centre among them) are asked once
        // a reading's length even when the scores propose no move: a strong
        // neighbour's products can stand as the best line, on which the
        // estimate then sits, reading a quarter of a bit rate beside a weaker
        // station that starts up where the operator tuned.
        checkBits_ = quality_.ready() ? checkBits_ + hopBits_ : 0;
        const bool recheck = checkBits_ >= OffsetQuality::kBits;
        if (recheck)
            checkBits_ = 0;
        // Where the detector read a station cleanly a moment ago and its bits
        // still read there, the estimate stays: a strong neighbour's leak into
        // the detector's filters can let go of the hold for a few bits at a
        // time, and a candidate a quarter of a bit rate towards the neighbour
        // catches more of the neighbour in its filters than the station gives.
        kept = heldLately() && now.quality >= kQualityFloor;
        // An estimate read cleanly a moment ago, or whose lines the long
        // average still remembers, where a reply has started beside it: the
        // reply is taken as when held (see linelessJump()), and before the
        // estimate is kept for a station read there lately, which it no
        // longer is. (Only there: on a fresh start the estimate has neither,
        // and the rules below find the station.)
        std::optional<OffsetQuality::Reading> nowReading = now;
        if ((heldLately() || linesHere > kRememberedLines * floor) && linelessJump(best, linesHere, floor, nowReading, to)) {
            jump = true;
            kept = false;
        } else if (kept) {
            jump = false;
        } else if (recheck && steadyBits_ > 0 && std::abs(offset_) > kFarFromCentreBits * bitRate_ && ownPreambleAtCentre()) {
            // The estimate sits on a steady tone far from the centre (a
            // neighbour read half a bit rate off, or a carrier) while a
            // preamble starts where the operator tuned: that is the station.
            // Its reading alone would not win: a stronger neighbour puts more
            // energy into the filters.
            jump = true;
            to = 0;
            leftSteadyTone = true;
        } else if (recheck && verifiedJump(best, now, to) && std::abs(to - offset_) > kRecheckApartBits * bitRate_) {
            jump = true;
        } else if (preambleAtCentre || (proposed && quality_.ready() && now.quality < kQualityGain * kQualityFloor && steadyBits_ == 0 &&
                                        !shunned(best.offset))) {
            // A preamble where the operator tuned is the station tuned in: taken
            // at once, even from where its tone reads as a mix of 0s and 1s (a
            // quarter of the bit rate off, between the two filters), which reads
            // as well as the tone itself and would otherwise hold the estimate
            // there through the whole preamble. And where nothing reads at the
            // estimate (noise, up to what a candidate would
            // have to beat): a station starting up is taken at once, as its line
            // rises, not once half the bits of a reading are its own; its first
            // words depend on it.
            jump = true;
            to = best.offset;
        } else {
            jump = (proposed || steadyBits_ > kLongestSteadyBits) && verifiedJump(best, now, to);
        }
    }
    if (jump) {
        if (leftSteadyTone || steadyBits_ > kLongestSteadyBits) {
            // Left as a steady tone (a carrier, most likely, until the notch
            // takes it): its line stays the strongest, and would be taken
            // again as soon as nothing read at the new estimate.
            shunnedHz_ = offset_;
            shunnedBits_ = kShunnedBits;
        }
        offset_ = to;
        steadyBits_ = 0;
        sinceHeldBits_ = kNeverHeld;
        heldHereBits_ = 0;
        trend_ = 0;
        ++jumps_;
    } else {
        const Real before = offset_;
        track(held_ || kept);
        const Real move = offset_ - before;
        trend_ = std::abs(move) > kMinJumpBits * bitRate_ ? 0 : kTrendMemory * trend_ + (1 - kTrendMemory) * move;
    }
    // The lines against the floor are a ratio, and so blind to a signal that simply
    // stops: a muted input or a paused recording leaves both decaying together.
    // Once the recent spectrum has fallen far below the long one, nothing is there.
    const Real recentFloor = recentTotal / static_cast<Real>(size_);
    const bool silent = recentFloor <= kSilentBelowAverage * floor;
    presence_ = recentFloor > 0 && !silent ? score(recent_.data(), offset_, false) / recentFloor : 0;
}

// Held where no line of a station stands, while one stands far above it
// elsewhere: the detector reads a station a fifth of a bit rate or so
// beside the estimate (its filters still take most of each bit), which
// the carrier loop cannot follow. The line is taken if its bits read at
// least as well as the estimate's; a preamble's in full (beside the
// estimate its tone between the two filters reads nearly as well as
// there: a reply 7 Hz off at 31 baud was held through its preamble).
// The long average remembers the old station's lines for seconds: a
// reply 2 s after it is held by them. So where the long average still
// holds a station's lines at the estimate (at 31 baud, 2 s after an
// over at 0 dB, some 30 times its floor) but the last few transforms
// show nothing there above what noise gives, while its bits still
// read clearly, those transforms are asked too. Not otherwise: in the
// station's own deep fade the bits do not read, unless a preamble
// reads clearly at the line (a reply 25 Hz off at 31 baud, 2 s after
// the first over, was held until the detector's 50 bits of memory let
// go, after its preamble, and lost its first character in 6 of 8
// pairs: a neighbour, however strong, is rarely just starting an over
// in the station's fade); two rays a bit apart (CCIR poor at 500 baud)
// smear a station's lines in the last few transforms, but not to the
// noise's level; and beside a neighbour 6 dB stronger 150 Hz off at 125
// baud, whose products outscore the station, neither average shows the
// station's lines above its floor.
// Not held the same holds: a reply a fifth of a bit rate or less beside where
// the old station was reads nearly as well at the old estimate as at its own
// frequency, so no check of the bits would move the estimate there, while the
// carrier loop cannot pull in from so far. At 63 baud a reply 10 Hz below, 2 s
// after an over, 6 dB above the 1 % point, lost from 9 to 25 of its 31
// characters in each of 8 pairs.
bool FrequencySearch::linelessJump(const Peak& best, Real linesHere, Real floor, std::optional<OffsetQuality::Reading>& hereReading,
                                   Real& to)
{
    if (!quality_.ready())
        return false;
    Peak lineless = best;
    bool found = best.score > kLinelessRatio * linesHere;
    std::optional<OffsetQuality::Reading> lineReading;  // at the line, asked for at most once
    if (!found && presence_ < kNoLinesPresence && linesHere > kRememberedLines * floor) {
        lineless = recentPeak();
        found = lineless.score > kLinelessRatio * score(recent_.data(), offset_, true) &&
                (readOnce(hereReading, offset_).quality > kQualityFloor || isPreamble(readOnce(lineReading, lineless.offset)));
    }
    if (!found || std::abs(lineless.offset - offset_) <= kMinJumpBits * bitRate_ || shunned(lineless.offset))
        return false;
    const OffsetQuality::Reading atLine = readOnce(lineReading, lineless.offset);
    const OffsetQuality::Reading there = isPreamble(atLine) ? atLine : weigh(atLine, lineless.offset);
    if (!(there.quality > kQualityFloor && there.quality >= readOnce(hereReading, offset_).quality))
        return false;
    to = lineless.offset;
    return true;
}

bool FrequencySearch::shunned(Real offset) const
{
    return shunnedBits_ > 0 && std::abs(offset - shunnedHz_) <= kShunnedSpanBits * bitRate_;
}

OffsetQuality::Reading FrequencySearch::readOnce(std::optional<OffsetQuality::Reading>& kept, Real offset)
{
    if (!kept)
        kept = quality_.at(offset);
    return *kept;
}

OffsetQuality::Reading FrequencySearch::weigh(OffsetQuality::Reading r, Real offset) const
{
    // At the centre a steady lower tone is most likely the preamble of the station
    // tuned in (see current()): it counts in full there too.
    const bool centre = std::abs(offset) <= kMinJumpBits * bitRate_;
    const Real weight = r.onesShare <= kZerosOnlyShare ? 0 : r.onesShare >= kOnesOnlyShare && !centre ? kSteadyToneWeight : 1;
    r.quality *= weight;
    r.energy *= weight;
    return r;
}

bool FrequencySearch::preambleAt(Real offset)
{
    return isPreamble(quality_.at(offset));
}

// A strong steady tone beside the centre leaks into the centre's one-bit
// filters, and reads there as cleanly as a preamble of its own: a reply 25 Hz
// below the centre at 31 baud, 16 dB above the noise in 2500 Hz, its tone 0.8 of
// the bit rate from the centre's lower filter, gave that filter sinc^2(0.8) =
// 5.5 % of its energy, a clean preamble there. The search left the reply for
// the centre in mid-preamble, and shunned it for 10 s: the whole reply was
// lost. A preamble at the centre is its own where its bits hold clearly more
// energy than the tone at the estimate leaks there.
bool FrequencySearch::ownPreambleAtCentre()
{
    const OffsetQuality::Reading centre = quality_.at(0);
    if (!isPreamble(centre))
        return false;
    const OffsetQuality::Reading here = quality_.at(offset_);
    // The estimate's steady tone, from the centre's lower one: its lower tone
    // stands offset_ from it, its upper tone two tone offsets further up.
    const Real apartBits = (here.onesShare >= 0.5 ? offset_ : offset_ + twoToneOffsets_) / bitRate_;
    return centre.energy > kOwnPreambleOverLeak * oneBitFilterShare(apartBits) * here.energy;
}

bool FrequencySearch::isPreamble(const OffsetQuality::Reading& r)
{
    return r.onesShare >= kOnesOnlyShare && r.quality > kQualityFloor;
}

OffsetQuality::Reading FrequencySearch::current()
{
    if (!quality_.ready())
        return {};
    // At the centre, where the operator tuned, a steady lower tone is not
    // weighted down: it is most likely the preamble of the station tuned in,
    // which a candidate a quarter of the bit rate off (the tone between the two
    // filters, read as a mix of 0s and 1s) must not win from.
    OffsetQuality::Reading r = quality_.at(offset_);
    const bool zerosOnly = r.onesShare <= kZerosOnlyShare;
    const bool onesOnly = r.onesShare >= kOnesOnlyShare;
    if (onesOnly && std::abs(offset_) > kMinJumpBits * bitRate_) {
        r.quality *= kSteadyToneWeight;
        r.energy *= kSteadyToneWeight;
    }
    steadyBits_ = zerosOnly || onesOnly ? steadyBits_ + hopBits_ : 0;
    // Only 0s at the estimate is no station there; but where the detector read
    // a station cleanly a moment ago, its text (with a strong neighbour's leak
    // in the filters) can read so for a reading or two: there only 0s for a
    // whole reading more is.
    if ((zerosOnly && (!heldLately() || steadyBits_ > OffsetQuality::kBits)) || steadyBits_ > kLongestSteadyBits)
        r.quality = r.energy = 0;
    return r;
}

bool FrequencySearch::verifiedJump(const Peak& best, const OffsetQuality::Reading& now, Real& to)
{
    if (!quality_.ready())
        return false;
    // The best reading and the strongest few other local peaks of the scores,
    // each away from the current estimate (a move within reach is tracking).
    const Real apart = kMinJumpBits * bitRate_;
    std::array<Peak, kOtherCandidates> others{};
    std::size_t count = 0;
    for (std::size_t i = 1; i + 1 < gridCount_; ++i) {
        if (!(scores_[i] > scores_[i - 1] && scores_[i] >= scores_[i + 1]))
            continue;
        const Peak p = peak(i - 1, i + 2);
        if (std::abs(p.offset - best.offset) <= apart || std::abs(p.offset - offset_) <= apart)
            continue;
        // Kept in order of score, the weakest dropped.
        std::size_t at = std::min(count, kOtherCandidates);
        while (at > 0 && others[at - 1].score < p.score)
            --at;
        if (at == kOtherCandidates)
            continue;
        for (std::size_t k = std::min(count, kOtherCandidates - 1); k > at; --k)
            others[k] = others[k - 1];
        others[at] = p;
        count = std::min(count + 1, kOtherCandidates);
    }
    // The candidate whose bits read best; it must read clearly better than the
    // current estimate both against its own floor and in its bits' energy (a
    // candidate beside a strong neighbour catches some of it in its filters; one
    // where nothing strong lies near has a low floor).
    // The centre is where the operator tuned: there a somewhat better reading
    // of text is enough, with a little less energy in the bits than at the
    // estimate. A strong neighbour's product lies a quarter of a bit rate
    // towards it, where the station still reads nearly as well and the
    // neighbour leaks more into the filters than the station gives at its own
    // frequency. Not with far less energy: a preamble's tone a third of a bit
    // rate beside the centre reads there as a mix of 0s and 1s, well against
    // its floor, but with half the energy it has on its own frequency. Nor a
    // steady tone, which reads about as well a little beside its frequency.
    // Nor from a preamble at the estimate: that is a station starting up there,
    // whose tone the centre's filters, a fifth of a bit rate or so away, read
    // between them as a mix of 0s and 1s nearly as strongly (a reply 7 Hz above
    // the centre at 31 baud, or 15 Hz at 63, was sent back to the centre in
    // mid-preamble, and lost its first word).
    const bool centreGains = !isPreamble(now);
    Real chosen = 0;
    OffsetQuality::Reading chosenReading;
    OffsetQuality::Reading chosenFull;
    bool chosenCentre = false;
    // Each candidate's reading in full, before the weight for a steady tone.
    const auto consider = [&](Real offset) -> std::optional<OffsetQuality::Reading> {
        if (shunned(offset))
            return std::nullopt;
        const OffsetQuality::Reading full = quality_.at(offset);
        const OffsetQuality::Reading r = weigh(full, offset);
        if (r.quality > chosenReading.quality) {
            chosen = offset;
            chosenReading = r;
            chosenFull = full;
            chosenCentre = centreGains && std::abs(offset) <= apart && r.onesShare < kOnesOnlyShare;
        }
        return full;
    };
    std::optional<OffsetQuality::Reading> atBest;
    if (std::abs(best.offset - offset_) > apart)
        atBest = consider(best.offset);
    // The centre itself: where the operator tuned, which a strong neighbour's
    // lines and their products may bury under peaks of their own.
    if (std::abs(offset_) > apart && std::abs(best.offset) > apart)
        consider(0);
    for (std::size_t k = 0; k < count; ++k)
        consider(others[k].offset);
    // A steady tone read at the centre, counted there in full, is the preamble
    // of the strongest line when that reads as a preamble too, nearby, with more
    // energy in its bits: the same tone, which the centre's filters take from
    // beside it (a reply 25 Hz below the centre at 125 baud, a fifth of the bit
    // rate, gives them 94 % of the energy its own give it). It is taken where it
    // stands, counted in full as it would be at the centre: from the centre
    // itself at once, from elsewhere if it reads clearly better.
    const auto sameTone = [&](const OffsetQuality::Reading& atCentre) {
        return atBest && atCentre.onesShare >= kOnesOnlyShare && isPreamble(*atBest) && atBest->energy > atCentre.energy &&
               std::abs(best.offset) <= kCentreReadsToneBits * bitRate_;
    };
    if (std::abs(offset_) <= apart && sameTone(now)) {
        to = best.offset;
        return true;
    }
    // Any other candidate that near the strongest line read as a preamble,
    // whose bits hold no more energy than the line's own and not much less
    // than its nearer filter takes from the preamble's tone, reads that
    // preamble from beside it: a reply 15 Hz above at 63 baud, 10 s after an
    // over, whose tone the centre read between its filters as a mix of 0s and
    // 1s, won from it (the estimate had wandered off in the pause).
    const auto besideThePreamble = [&] {
        if (!atBest || !isPreamble(*atBest) || chosen == best.offset ||
            std::abs(chosen - best.offset) > kCentreReadsToneBits * bitRate_ || chosenFull.energy > atBest->energy)
            return false;
        const Real apartBits = std::min(std::abs(best.offset - chosen), std::abs(best.offset - chosen - twoToneOffsets_)) / bitRate_;
        return kOwnPreambleOverLeak * chosenFull.energy >= oneBitFilterShare(apartBits) * atBest->energy;
    };
    if ((std::abs(chosen) <= apart && sameTone(chosenReading)) || besideThePreamble()) {
        chosen = best.offset;
        chosenReading = *atBest;
        chosenCentre = false;
    }
    const bool jump = chosenReading.quality > kQualityFloor &&
                      chosenReading.quality > (chosenCentre ? kCentreQualityGain : kQualityGain) * now.quality &&
                      chosenReading.energy > (chosenCentre ? kCentreEnergyShare : kQualityGain) * now.energy;
    to = chosen;
    return jump;
}

void FrequencySearch::restart()
{
    transforms_ = 0;
    offset_ = 0;
    steadyBits_ = 0;
    checkBits_ = 0;
    shunnedBits_ = 0;
    sinceHeldBits_ = kNeverHeld;
    heldHereBits_ = 0;
    trend_ = 0;
    ++jumps_;
}

void FrequencySearch::retune(Real shiftHz)
{
    const Real shifted = offset_ + shiftHz;
    restart();
    // The window still holds the signal as mixed at the old centre, whose lines
    // stand where the station no longer is: it starts empty.
    std::fill(squared_.begin(), squared_.end(), Complex{});
    const Real lowest = gridStart_;
    const Real highest = gridStart_ + gridStep_ * static_cast<Real>(gridCount_ - 1);
    offset_ = std::clamp(shifted, lowest, highest);
}

Real FrequencySearch::follow(Real shiftHz)
{
    // Squaring doubles the shift: a whole number of bins there.
    const auto bins = static_cast<std::int64_t>(std::lround(2 * shiftHz / binHz_));
    const Real shift = static_cast<Real>(bins) * binHz_ / 2;
    // What the window holds was mixed at the old frequency: turned as if mixed at
    // the new one, phase-continuous at the newest sample (age a squared samples
    // back turns by +2 pi 2 shift a / rate).
    const Real squaredRate = binHz_ * static_cast<Real>(size_);
    for (std::size_t j = 0; j < window_; ++j) {
        const std::size_t age = (write_ + window_ - 1 - j) % window_;
        const Complex turn = unitPhasor(2 * kPi * 2 * shift * static_cast<Real>(age) / squaredRate);
        squared_[j] *= turn;
        squared_[j + window_] *= turn;
    }
    // The averaged spectra: every line `bins` lower.
    const std::size_t k = static_cast<std::size_t>(((bins % static_cast<std::int64_t>(size_)) + static_cast<std::int64_t>(size_)) %
                                                    static_cast<std::int64_t>(size_));
    std::rotate(spectrum_.begin(), spectrum_.begin() + static_cast<std::ptrdiff_t>(k),
                spectrum_.begin() + static_cast<std::ptrdiff_t>(size_));
    std::rotate(recent_.begin(), recent_.begin() + static_cast<std::ptrdiff_t>(k), recent_.begin() + static_cast<std::ptrdiff_t>(size_));
    offset_ -= shift;
    return shift;
}

void FrequencySearch::track(bool onStation)
{
    // Tracking: the local peak within reach of the current estimate.
    const Real reach = kTrackSpanBits * bitRate_;
    const auto lo = static_cast<std::size_t>(std::max<Real>(0, std::ceil((offset_ - reach - gridStart_) / gridStep_)));
    const auto hi = std::min(gridCount_, static_cast<std::size_t>(std::max<Real>(0, std::floor((offset_ + reach - gridStart_) / gridStep_) + 1)));
    if (hi < lo + 3)
        return;
    // On a station the detector reads, the best score at the edge of the reach
    // is a slope, not a peak: either the station really lies further off (the
    // estimate held a tenth of a bit rate beside it, where the filters still
    // read it, at 500 baud), or a strong neighbour's products stand beside the
    // station's lines, which would walk the estimate off a reach (0.05 R) at
    // each step, where the one-bit filters lose only 3 % of the energy and
    // cannot object. The carrier loop tells the two apart: it follows the
    // station itself, so its residual frequency points the way in the first
    // case and stays near 0 in the second.
    const Peak p = peak(lo, hi);
    const Real edge = gridStep_ / 2;
    const bool atEdge = p.offset <= gridStart_ + gridStep_ * static_cast<Real>(lo) + edge ||
                        p.offset >= gridStart_ + gridStep_ * static_cast<Real>(hi - 1) - edge;
    const Real move = p.offset - offset_;
    const bool loopAgrees = move * residualHz_ > 0 && std::abs(residualHz_) >= kLoopAgreeShare * std::abs(move);
    const bool drifting = move * driftHzPerBit_ > 0 && std::abs(driftHzPerBit_) > kDriftingBits * bitRate_;
    if (onStation && atEdge && !loopAgrees && !drifting && !onSlope(lo, hi, move > 0))
        return;
    offset_ = p.offset;
}

bool FrequencySearch::onSlope(std::size_t lo, std::size_t hi, bool upwards) const
{
    // From the grid point nearest the estimate to the edge of the reach the
    // scores must rise without a valley between: a station's own line at the
    // estimate, with a neighbour's products rising beyond it, leaves one.
    const Real at = std::clamp((offset_ - gridStart_) / gridStep_, static_cast<Real>(lo), static_cast<Real>(hi - 1));
    std::size_t i = static_cast<std::size_t>(std::lround(at));
    const std::size_t edge = upwards ? hi - 1 : lo;
    const Real start = scores_[i];
    Real highest = start;
    while (i != edge) {
        i = upwards ? i + 1 : i - 1;
        if (scores_[i] < kSlopeValley * highest)
            return false;
        highest = std::max(highest, scores_[i]);
    }
    return scores_[edge] >= kSlopeRise * start;
}
