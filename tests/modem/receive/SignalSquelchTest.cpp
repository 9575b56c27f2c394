// SPDX-License-Identifier: GPL-3.0-or-later
// The squelch's hold queue: decisions leave it in order, kHoldBits late, heard
// only while open; opening resumes the decoder at a word boundary.
#include "modem/receive/SignalSquelch.h"
#include "modem/receive/SpeedPlan.h"

#include "modem/receive/StringTextPane.h"
#include "modem/varicode/VaricodeDecoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

constexpr SquelchLevels kLevels{8.0, 6.0, 3.0};
constexpr std::uint64_t kSettled = SignalSquelch::kSettledBits;

// Steady amplitude, lines far above the floor, read cleanly (Eb/N0 10 dB): a signal.
void hearSignal(SignalSquelch& s) { s.update(kLevels, kSettled, 20.0, 20.0, 1.0, 1.0, 10.0); }
// The lines gone and the amplitude fallen to a quarter: the station stopped.
void hearNothing(SignalSquelch& s) { s.update(kLevels, kSettled, 20.0, 1.0, 0.25, 1.0); }

std::vector<Real> feed(SignalSquelch& s, const std::vector<Real>& in)
{
    std::vector<Real> out;
    for (Real d : in) {
        Real released = 0;
        if (s.pass(d, released))
            out.push_back(released);
    }
    return out;
}

// Decisions first, first + 1, ... with every third a 0 (negative): text, no runs.
std::vector<Real> numbered(int count, int first = 1)
{
    std::vector<Real> out;
    for (int k = first; k < first + count; ++k)
        out.push_back((k - first) % 3 == 2 ? -k : k);
    return out;
}

// What the squelch lets go at once after a wait: held decisions beyond the usual eight.
std::vector<Real> released(SignalSquelch& s)
{
    std::vector<Real> out;
    Real d = 0;
    while (s.release(d))
        out.push_back(d);
    return out;
}

TEST(SignalSquelchTest, OpensOnLinesOnlyOnceTheLongAverageHasSettled)
{
    SignalSquelch s;
    s.update(kLevels, kSettled - 1, 20.0, 20.0, 1.0, 1.0);
    EXPECT_FALSE(s.open());
    s.update(kLevels, kSettled, 7.9, 20.0, 1.0, 1.0);  // below the opening level
    EXPECT_FALSE(s.open());
    hearSignal(s);
    EXPECT_TRUE(s.open());
    hearNothing(s);
    hearNothing(s);
    EXPECT_TRUE(s.open());  // two faded bits are not enough
    hearNothing(s);
    EXPECT_FALSE(s.open());
}

// Near the noise, the noise alone holds the amplitude at about half its level
// with the station: its end takes it to 0.6, not below half. With the lines gone
// too (presence under the fade level) that closes, after three bits; with them
// still there it does not.
TEST(SignalSquelchTest, AnEndNearTheNoiseClosesWithoutTheAmplitudeHalving)
{
    SignalSquelch s;
    hearSignal(s);
    for (int k = 0; k < 3; ++k)
        s.update(kLevels, kSettled, 20.0, 5.0, 0.6, 1.0);  // lines between fade and open levels
    EXPECT_TRUE(s.open());
    s.update(kLevels, kSettled, 20.0, 2.0, 0.6, 1.0);
    s.update(kLevels, kSettled, 20.0, 2.0, 0.6, 1.0);
    EXPECT_TRUE(s.open());
    s.update(kLevels, kSettled, 20.0, 2.0, 0.6, 1.0);
    EXPECT_FALSE(s.open());
}

// Two rays a bit apart smear a station's lines down to the noise's level in the
// long average (4.0 against a closing level of 6 here) while the detector still
// reads every bit (Eb/N0 10, 10 dB): it stays open. Noise (Eb/N0 1.7) closes it.
TEST(SignalSquelchTest, AStationReadClearlyKeepsItOpenThoughItsLinesAreSmeared)
{
    SignalSquelch s;
    hearSignal(s);
    s.update(kLevels, kSettled, 4.0, 20.0, 1.0, 1.0, 10.0);
    EXPECT_TRUE(s.open());
    s.update(kLevels, kSettled, 4.0, 20.0, 1.0, 1.0, 1.7);
    EXPECT_FALSE(s.open());
}

TEST(SignalSquelchTest, HeldDecisionsLeaveInOrderFromTheLastWordBoundary)
{
    SignalSquelch s;
    // Held while closed: noise "1 1 0 0 1 0 1 1" fills the queue, nothing out.
    EXPECT_TRUE(feed(s, {1, 1, -1, -1, 1, -1, 1, 1}).empty());
    hearSignal(s);  // opens: the queue's last "0 0" is at its 3rd and 4th places
    // No preamble's run is held, so it holds on for one; none comes (text with
    // no long run of 1 bits: every third decision negative).
    std::vector<Real> text;
    for (int k = 0; k < static_cast<int>(SignalSquelch::kSeekBits); ++k)
        text.push_back(k % 3 == 2 ? -(k + 2) : k + 2);
    EXPECT_TRUE(feed(s, text).empty());
    // Out go the held ones after that "0 0", in order, then the text, until 8 are
    // left held; from then on each decision leaves 8 bits late.
    std::vector<Real> out = {1, -1, 1, 1};
    out.insert(out.end(), text.begin(), text.end() - SignalSquelch::kHoldBits);
    EXPECT_EQ(released(s), out);
    EXPECT_EQ(feed(s, {50, 51, 52, 53}), std::vector<Real>(text.end() - 8, text.end() - 4));
    hearNothing(s);
    hearNothing(s);
    hearNothing(s);  // closed: the held ones (the over's tail) and the rest are dropped
    EXPECT_TRUE(feed(s, {1, 1, 1, 1, 1, 1, 1, 1, 1, 1}).empty());
}

// Opening late, with a preamble's end and the text's first bits held: the
// decoder resumes right after the preamble's run of 1 bits (its "0 0" then ends
// an empty word), not at a later "0 0" that ends the first word.
TEST(SignalSquelchTest, OpeningAfterAPreambleKeepsTheFirstWord)
{
    SignalSquelch s;
    EXPECT_TRUE(feed(s, {1, 1, 1, 1, -1, -1, -1, 1}).empty());
    hearSignal(s);
    EXPECT_EQ(feed(s, {1, -1, -1, 1, 1, 1, 1, 1}), (std::vector<Real>{-1, -1, -1, 1}));
}

// Opening while a preamble still runs: its remaining 1 bits are dropped up to
// its first 0, so that they cannot read as a short word ("1111111" is "I").
TEST(SignalSquelchTest, OpeningInsideAPreambleDropsItsRemainingOnes)
{
    SignalSquelch s;
    EXPECT_TRUE(feed(s, {-1, 1, 1, 1, 1, 1, 1, 1}).empty());
    hearSignal(s);
    EXPECT_TRUE(feed(s, {1, 1, 1, -1, -1, -1, 1, -1}).empty());  // the held ones go
    EXPECT_EQ(feed(s, {1, 1, 1, 1, 1, 1, 1, 1}), (std::vector<Real>{-1, -1, -1, 1, -1}));
}

// Opening on the lines before the detector has the station: the first bits of
// the preamble read as anything ("1 0 1 0 1"), and only then comes its run of 1
// bits. The squelch holds on for that run and resumes after it, so the noise and
// those first bits do not print junk ahead of the text.
TEST(SignalSquelchTest, OpeningBeforeAPreamblesRunDropsWhatCameBeforeIt)
{
    SignalSquelch s;
    EXPECT_TRUE(feed(s, {1, -1, 1, -1, 1, -1, -1, 1}).empty());  // noise, no run held
    hearSignal(s);
    std::vector<Real> in = {1, -1, 1, -1, 1};  // before the detector had the station
    in.insert(in.end(), 24, 1.0);              // the preamble's run
    const std::vector<Real> text = {-1, -1, -1, 1, 1, -1, -1};  // its end, the start value, "e"
    in.insert(in.end(), text.begin(), text.end());
    in.insert(in.end(), SignalSquelch::kHoldBits, -1.0);  // what is still held at the end
    std::vector<Real> out;
    for (Real d : in) {
        Real released = 0;
        if (s.pass(d, released))
            out.push_back(released);
        while (s.release(released))
            out.push_back(released);
    }
    EXPECT_EQ(out, text);
}

// An over's end cut in the middle of an idle word ("1010101" of "1010101011"):
// what the squelch owes the decoder ends that word unprinted, so that the next
// over's first "0 0" does not print it as "=".
TEST(SignalSquelchTest, AWordCutByClosingIsEndedUnprinted)
{
    SignalSquelch s;
    StringTextPane pane;
    VaricodeDecoder decoder(pane);
    hearSignal(s);
    for (Real d : feed(s, {-1, -1, 1, -1, 1, -1, 1, -1, 1, 1, 1, 1, 1, 1, 1, 1, 1}))  // "00" then the cut word
        decoder.DecideBit(d);
    hearNothing(s);
    hearNothing(s);
    hearNothing(s);
    ASSERT_FALSE(s.open());
    for (std::size_t k = 0; k < kLevels.graceBits; ++k)  // and the station stays away
        hearNothing(s);
    ASSERT_EQ(decoder.accumulator(), 0b1010101u);  // heard; the 1 bits held are dropped
    Real d = 0;
    int owed = 0;
    while (s.clearing(d)) {
        decoder.DecideBit(d);
        ++owed;
    }
    EXPECT_EQ(owed, SignalSquelch::kClearingOnes + 2);
    EXPECT_EQ(decoder.accumulator(), 0u);
    decoder.DecideBit(-1);
    decoder.DecideBit(-1);
    EXPECT_EQ(pane.text(), "");
    EXPECT_FALSE(s.clearing(d));  // owed once
}

// A deep fade takes the lines away too, and the squelch closes; the station is
// back 20 bits later, within the grace: it opens where it left off, and (once no
// preamble's run has come for kSeekBits) every decision since is heard, in
// order. Had a preamble's run come instead, it would be a new over, heard from
// after its run.
TEST(SignalSquelchTest, AStationBackSoonAfterAClosingIsHeardFromWhereItLeftOff)
{
    const std::vector<Real> text = numbered(76);
    const std::vector<Real> before(text.begin(), text.begin() + 16), during(text.begin() + 16, text.begin() + 36),
        after(text.begin() + 36, text.end());
    SignalSquelch s;
    hearSignal(s);
    std::vector<Real> out = feed(s, before);  // all but the 8 held
    for (int k = 0; k < 3; ++k)
        hearNothing(s);
    ASSERT_FALSE(s.open());
    EXPECT_TRUE(feed(s, during).empty());
    hearSignal(s);
    ASSERT_TRUE(s.open());
    EXPECT_TRUE(feed(s, after).empty());  // seeking a preamble's run
    for (Real d : released(s))
        out.push_back(d);
    EXPECT_EQ(out, std::vector<Real>(text.begin(), text.end() - SignalSquelch::kHoldBits));

    SignalSquelch t;
    hearSignal(t);
    feed(t, before);
    for (int k = 0; k < 3; ++k)
        hearNothing(t);
    feed(t, std::vector<Real>(SignalSquelch::kSeekRunOnes, 1.0));  // a preamble's run
    hearSignal(t);
    const std::vector<Real> over = {-1, -1, -1, 1, 1, -1, -1};  // its end, the start value, "e"
    std::vector<Real> in = over;
    in.insert(in.end(), SignalSquelch::kHoldBits, -1.0);  // what is still held at the end
    EXPECT_EQ(feed(t, in), over);
}

// The same, back after 300 bits: held through a fade read cleanly, all is heard;
// through noise (half the grace, 160 bits here, or more), none, the cut word
// ended first. (A new over whose preamble was misread printed up to 10 s of noise.)
TEST(SignalSquelchTest, AStationBackAfterALongCloseIsHeardOnlyFromWhatWasReadCleanly)
{
    const std::vector<Real> text = numbered(364);
    const std::vector<Real> before(text.begin(), text.begin() + 16), during(text.begin() + 16, text.begin() + 316),
        after(text.begin() + 316, text.end());
    for (const bool readThrough : {true, false}) {
        // A deep fade: Eb/N0 10 read cleanly, or 0.
        const auto away = [&](SignalSquelch& s) { s.update(kLevels, kSettled, 20.0, 1.0, 0.25, 1.0, readThrough ? 10.0 : 0.0); };
        SignalSquelch s;
        hearSignal(s);
        std::vector<Real> out = feed(s, before);
        for (int k = 0; k < 3; ++k)
            away(s);
        ASSERT_FALSE(s.open());
        for (Real d : during) {
            away(s);
            Real released = 0;
            ASSERT_FALSE(s.pass(d, released));
        }
        hearSignal(s);
        ASSERT_TRUE(s.open());
        Real clearing = 0;
        int clearingOnes = 0;
        while (s.clearing(clearing))
            clearingOnes += clearing > 0;
        EXPECT_EQ(clearingOnes, readThrough ? 0 : SignalSquelch::kClearingOnes) << readThrough;
        for (Real d : feed(s, after))  // seeking a preamble's run, then in order
            out.push_back(d);
        for (Real d : released(s))
            out.push_back(d);
        std::vector<Real> expected(text.begin(), text.begin() + (readThrough ? 316 : 8));
        expected.insert(expected.end(), text.begin() + 316, text.end() - SignalSquelch::kHoldBits);
        EXPECT_EQ(out, expected) << readThrough;
    }
}

// A second after a station's end its Eb/N0, measured over some 50 bits, still
// reads above the level of a station read cleanly (3.3 here), while the recent
// amplitude is the noise's, 0.75 of the long-run level that is falling towards
// it: 3.3 x 0.75^2 = 1.9, noise. A peak of the lines then must not open the
// squelch and print the noise held since the close; the station really back,
// at its level, does. Nor does a new over seconds later: its recent amplitude
// twice a long-run level that is still the noise's (Eb/N0 1.0 over 50 bits) is
// not the old station back, however far above its level (1.0 x 2^2 = 4 would be).
TEST(SignalSquelchTest, NoiseSoonAfterAnEndIsNotTakenForTheStationBack)
{
    // Closed by an over's end, with noise held since.
    const auto closed = [] {
        SignalSquelch s;
        hearSignal(s);
        for (int k = 0; k < 3; ++k)
            hearNothing(s);
        feed(s, {9, 10, 11, 12});
        return s;
    };
    SignalSquelch s = closed();
    ASSERT_FALSE(s.open());
    s.update(kLevels, kSettled, 20.0, 20.0, 0.75, 1.0, 3.3);
    EXPECT_FALSE(s.open());
    EXPECT_TRUE(released(s).empty());
    s.update(kLevels, kSettled, 20.0, 20.0, 1.0, 1.0, 3.3);
    EXPECT_TRUE(s.open());

    SignalSquelch t = closed();
    t.update(kLevels, kSettled, 20.0, 20.0, 2.0, 1.0, 1.0);
    EXPECT_FALSE(t.open());
}

// A station read cleanly again after a close, but half a bit rate from where
// the one before was, found as the squelch opens or a few bits later: a reply,
// not a fade's end. The noise held since the close is not heard; the reply is.
TEST(SignalSquelchTest, AStationComingBackElsewhereIsANewOver)
{
    const std::vector<Real> text = numbered(60, 20);
    for (const bool foundLater : {false, true}) {
        SignalSquelch s;
        hearSignal(s);
        for (int k = 0; k < 3; ++k)
            hearNothing(s);
        feed(s, {9, 10, 11, 12});
        s.update(kLevels, kSettled, 20.0, 20.0, 1.0, 1.0, 10.0, foundLater ? 0.0 : 0.5);
        ASSERT_TRUE(s.open());
        std::vector<Real> out = feed(s, std::vector<Real>(text.begin(), text.begin() + 4));
        if (foundLater)
            s.update(kLevels, kSettled, 20.0, 20.0, 1.0, 1.0, 10.0, 0.5);
        for (Real d : feed(s, std::vector<Real>(text.begin() + 4, text.end())))
            out.push_back(d);
        for (Real d : released(s))
            out.push_back(d);
        // The reply's text, in order, from about where it was found; no noise (9 to 12).
        ASSERT_GE(out.size(), text.size() - SignalSquelch::kHoldBits - 4) << foundLater;
        ASSERT_LE(out.size(), text.size() - SignalSquelch::kHoldBits) << foundLater;
        const auto end = text.end() - SignalSquelch::kHoldBits;
        EXPECT_EQ(out, std::vector<Real>(end - static_cast<std::ptrdiff_t>(out.size()), end)) << foundLater;
    }
}

// How far off a station back after a close is another is a matter of hertz, at
// every speed: a station drifting 0.5 Hz a second moves 5 Hz in a 10 s fade,
// while a reply 10 Hz off is another station (at 63 baud, 0.16 of the bit
// rate, it had been taken for the old one back, and the noise held since the
// close printed ahead of it). The fade's end hears what was held (9 to 12);
// the reply does not.
TEST(SignalSquelchTest, AStationBackTenHertzOffIsANewOverAndFiveHertzOffTheSame)
{
    const std::vector<Real> text = numbered(60, 20);
    for (const Real tickRate : {500.0, 1000.0, 2000.0}) {
        const SquelchLevels levels = squelchLevels(tickRate);
        const Real bitRate = tickRate / SpeedPlan::kSamplesPerBit;
        for (const Real hz : {10.0, 5.0}) {
            SignalSquelch s;
            s.update(levels, kSettled, 20.0, 20.0, 1.0, 1.0, 10.0);
            for (int k = 0; k < 3; ++k)
                s.update(levels, kSettled, 20.0, 1.0, 0.25, 1.0);
            ASSERT_FALSE(s.open());
            feed(s, {9, 10, 11, 12});
            s.update(levels, kSettled, 20.0, 20.0, 1.0, 1.0, 10.0, hz / bitRate);
            ASSERT_TRUE(s.open());
            std::vector<Real> out = feed(s, text);
            for (Real d : released(s))
                out.push_back(d);
            const bool heldHeard = std::find(out.begin(), out.end(), 9.0) != out.end();
            EXPECT_EQ(heldHeard, hz < 6) << bitRate << " baud, " << hz << " Hz";
        }
    }
}

// The amplitude falling to a quarter with the lines still standing: a fade.
void hearAFade(SignalSquelch& s) { s.update(kLevels, kSettled, 20.0, 20.0, 0.25, 1.0); }


// Through a fade the squelch stays open and holds every decision back instead of
// dropping it; when the amplitude comes back they are all heard, in order.
TEST(SignalSquelchTest, AFadeHoldsTheTextAndHearsItWhenTheSignalComesBack)
{
    SignalSquelch s;
    hearSignal(s);
    EXPECT_EQ(feed(s, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}), (std::vector<Real>{1, 2}));
    for (int k = 0; k < 3; ++k)
        hearAFade(s);
    EXPECT_TRUE(s.open());
    EXPECT_TRUE(s.waiting());
    EXPECT_TRUE(feed(s, {11, 12, 13, 14, 15, 16, 17, 18, 19, 20}).empty());  // 18 held
    EXPECT_TRUE(released(s).empty());
    hearSignal(s);
    EXPECT_FALSE(s.waiting());
    // Out go those beyond the usual eight, oldest first; the usual eight stay.
    EXPECT_EQ(released(s), (std::vector<Real>{3, 4, 5, 6, 7, 8, 9, 10, 11, 12}));
    EXPECT_EQ(feed(s, {21, 22}), (std::vector<Real>{13, 14}));
}

// The same fall of the amplitude, and then the lines go: the station has
// stopped, and what was held while waiting (the noise after its end) is dropped.
TEST(SignalSquelchTest, AStationsEndDropsWhatWasHeldWhileWaiting)
{
    SignalSquelch s;
    hearSignal(s);
    feed(s, {1, 2, 3, 4, 5, 6, 7, 8});
    for (int k = 0; k < 3; ++k)
        hearAFade(s);
    EXPECT_TRUE(feed(s, {9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20}).empty());
    hearNothing(s);  // the lines gone
    EXPECT_FALSE(s.open());
    EXPECT_TRUE(released(s).empty());
    EXPECT_TRUE(feed(s, {1, 1, 1, 1, 1, 1, 1, 1, 1, 1}).empty());
}

// Waiting is bounded: after kMaxHeldBits held the oldest is heard again at each
// new decision, so a long fade with the lines still standing delays the text but
// loses none.
TEST(SignalSquelchTest, ALongFadeDelaysTheTextByAtMostTheLongestHold)
{
    SignalSquelch s;
    hearSignal(s);
    for (int k = 0; k < 3; ++k)
        hearAFade(s);
    std::vector<Real> in;
    for (std::size_t k = 0; k < SignalSquelch::kMaxHeldBits + 3; ++k)
        in.push_back(static_cast<Real>(k));
    EXPECT_EQ(feed(s, in), (std::vector<Real>{0, 1, 2}));
}

// A strong station (Eb/N0 100) stops: its recent amplitude falls by a quarter a bit
// to the noise's (a twentieth), with the lines still standing for seconds. Nothing
// is read in the wait, so once the longest hold is full it closes, and the noise
// held is not heard. A fade in which the amplitude turns up again to 0.4 (read
// cleanly: 100 x 0.4^2 = 16) is heard on after the longest hold, as before. (As
// the wait begins the falling amplitude still reads 100 x 0.18^2 = 3.2: a bit at
// a new lowest point is not taken for the station read.)
TEST(SignalSquelchTest, AWaitInWhichNothingIsReadClosesAtTheLongestHold)
{
    for (const bool fade : {false, true}) {
        SignalSquelch s;
        hearSignal(s);
        std::vector<Real> out = feed(s, numbered(8));
        double share = 1;
        for (std::size_t k = 0; k < SignalSquelch::kMaxHeldBits + 10; ++k) {
            share = std::max(0.75 * share, fade && k >= 5 ? 0.4 : 0.05);
            s.update(kLevels, kSettled, 20.0, 20.0, share, 1.0, 100.0);
            for (Real d : feed(s, {static_cast<Real>(100 + k)}))
                out.push_back(d);
        }
        EXPECT_EQ(s.open(), fade);
        if (fade)  // all but the longest hold heard
            EXPECT_EQ(out.size(), 8 + SignalSquelch::kMaxHeldBits + 10 - SignalSquelch::kMaxHeldBits);
        else  // only what left the queue before the wait began (3 bits under half)
            EXPECT_EQ(out, numbered(4));
    }
}

// Closed so, on the noise after a strong over: the long-run amplitude has become
// the noise's (0.05) and its Eb/N0 reads 3.3, above the 3 that counts as read,
// while a noise peak lifts the lines. That is no station back, nor is a run of 1
// bits in the noise held read at the noise's 1.2; the station's own amplitude
// (at least half what it was as the wait began), read cleanly, is.
TEST(SignalSquelchTest, AfterAnUnreadWaitOnlyTheStationsAmplitudeReopensIt)
{
    SignalSquelch s;
    hearSignal(s);
    feed(s, numbered(8));
    double share = 1;
    for (std::size_t k = 0; k < SignalSquelch::kMaxHeldBits + 10; ++k) {
        share = std::max(0.75 * share, 0.05);
        s.update(kLevels, kSettled, 20.0, 20.0, share, 1.0, 100.0);
        feed(s, {-1});
    }
    ASSERT_FALSE(s.open());
    s.update(kLevels, kSettled, 20.0, 20.0, 0.05, 0.05, 3.3);
    EXPECT_FALSE(s.open());
    feed(s, std::vector<Real>(SignalSquelch::kSeekRunOnes, 1.0));
    s.update(kLevels, kSettled, 20.0, 20.0, 0.05, 0.05, 1.2);
    EXPECT_FALSE(s.open());
    s.update(kLevels, kSettled, 20.0, 20.0, 0.6, 0.6, 10.0);
    EXPECT_TRUE(s.open());
}

// A wait as long as a pause between overs, then the amplitude back: a preamble's
// run within kSeekBits makes it a pause, whose held noise is dropped; without
// one it was a fade, and all that was held is heard.
TEST(SignalSquelchTest, AfterALongWaitAPreamblesRunMakesANewOver)
{
    const std::vector<Real> pause = numbered(SignalSquelch::kNewOverAfterBits + 3, 100);  // 3 to start waiting
    const std::vector<Real> text = numbered(60, 300);
    for (const bool newOver : {true, false}) {
        std::vector<Real> in = pause;
        if (newOver)
            in.insert(in.end(), {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, -1});  // a preamble's run and its end
        in.insert(in.end(), text.begin(), text.end());
        SignalSquelch s;
        hearSignal(s);
        std::vector<Real> out = feed(s, numbered(8));  // of which 1 and 2 are heard before the wait
        for (std::size_t k = 0; k < in.size(); ++k) {
            (k < pause.size() ? hearAFade : hearSignal)(s);
            for (Real d : feed(s, {in[k]}))
                out.push_back(d);
            for (Real d : released(s))
                out.push_back(d);
        }
        std::vector<Real> heard = newOver ? std::vector<Real>{1, 2, -1} : numbered(8);
        if (!newOver)
            heard.insert(heard.end(), pause.begin(), pause.end());
        heard.insert(heard.end(), text.begin(), text.end() - SignalSquelch::kHoldBits);
        EXPECT_EQ(out, heard) << newOver;
    }
}

}  // namespace
