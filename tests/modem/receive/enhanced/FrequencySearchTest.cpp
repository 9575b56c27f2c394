// SPDX-License-Identifier: GPL-3.0-or-later
// The frequency search held by a detector that reads the station a tenth of a
// bit rate beside it.
#include "modem/receive/SpeedPlan.h"
#include "modem/receive/enhanced/FrequencySearch.h"

#include <gtest/gtest.h>

#include <random>

namespace {

// Exact MSK of the speed, unit amplitude (or none), random bits, offsetHz from
// the centre, at Eb/N0 10 dB: per sample noise of power 16 / 10, 16 samples a bit.
// With preamble, every bit is a 1 (the lower tone), as in a preamble.
void feedStation(FrequencySearch& search, const SpeedPlan& plan, Real offsetHz, int bits, std::mt19937& generator,
                 Real amplitude = 1, bool preamble = false)
{
    std::normal_distribution<Real> noise(0.0, std::sqrt(16.0 / 10.0 / 2.0));
    const Real step = kPi * plan.modulationIndex / SpeedPlan::kSamplesPerBit;
    const Real offsetStep = 2 * kPi * offsetHz / plan.tickRate;
    Real phase = 0;
    for (int bit = 0; bit < bits; ++bit) {
        const Real turn = preamble || generator() & 1 ? -step : step;
        for (int s = 0; s < SpeedPlan::kSamplesPerBit; ++s) {
            search.step(amplitude * unitPhasor(phase) + Complex(noise(generator), noise(generator)));
            phase += turn + offsetStep;
        }
    }
}

// The estimate of a search held at 31 baud on a station at the centre for 128
// bits (Eb/N0 19.5 dB, 0 dB in 2500 Hz), after gapBits of noise and replyBits of
// a reply replyHz away (its preamble's 1s, or random bits).
Real heldEstimateAfterReply(int gapBits, Real replyHz, int replyBits, bool preamble, unsigned seed)
{
    const SpeedPlan plan(8000.0, 500.0);
    const kissfft<Real> transform(plan.transformSize, false);
    FrequencySearch search(plan, transform);
    search.hold(true);
    std::mt19937 generator(seed);
    feedStation(search, plan, 0.0, 128, generator, 3.0);
    feedStation(search, plan, 0.0, gapBits, generator, 0.0);
    feedStation(search, plan, replyHz, replyBits, generator, 3.0, preamble);
    return search.offsetHz();
}

}  // namespace

// At 500 baud the search covers +-50 Hz, a tenth of the bit rate, and its
// tracking reaches 0.05 R = 25 Hz a transform. After seconds of noise its
// estimate can rest near the end of the range, 44 Hz from where a station then
// starts: there the one-bit filters still take 1 - sinc^2(0.088) = 2.5 % less of
// each bit than on the station, so the detector reads it cleanly and holds the
// search, while the carrier loop, whose pull-in is a few hundredths of the bit
// rate, cannot follow the 0.55 rad a bit the offset turns, and reads garbage.
// The station's line then stands 44 Hz away, its slope rising all the way to
// the edge of the reach: the estimate must climb it, within a few transforms
// (8 bits each), though held. (Before, it stayed, and a whole over was lost.)
TEST(FrequencySearchTest, AHeldEstimateOnTheSlopeOfAStationsLineClimbsOntoIt)
{
    const SpeedPlan plan(8000.0, 8000.0);
    ASSERT_EQ(plan.bitRate, 500.0);
    const kissfft<Real> transform(plan.transformSize, false);
    FrequencySearch search(plan, transform);
    search.retune(-44.0);
    ASSERT_NEAR(search.offsetHz(), -44.0, 0.1);
    search.hold(true);
    std::mt19937 generator(5);
    feedStation(search, plan, 0.0, 64, generator);
    EXPECT_NEAR(search.offsetHz(), 0.0, 3.0);  // Hz: 0.006 R
}

// At 31 baud a reply comes 7 Hz (0.22 R) or 15 Hz (0.48 R) from the station
// read 5 s before, and the detector holds the search on the old frequency: its filters
// read the new station from the old frequency (sinc^2(0.22) = 85 % of each bit
// at 7 Hz; at 15 Hz each 0 bit whole in the 1 filter), so it holds on, while
// the carrier loop cannot follow. Nothing of a station's own stands at the
// estimate but the old one's fading line (at 15 Hz one line of the new pair
// falls on the old pair's upper line, which a pair with its other line missing
// does not count), and the new station's pair stands far above it: the search
// must go to it within 4 s, though held, and stay there. (Before, it stayed on
// the old frequency, and the reply printed as junk.)
TEST(FrequencySearchTest, AHeldEstimateBesideAStationWithNoLineOfItsOwnGoesToIt)
{
    const SpeedPlan plan(8000.0, 500.0);
    const kissfft<Real> transform(plan.transformSize, false);
    for (const Real reply : {7.0, 15.0}) {
        FrequencySearch search(plan, transform);
        search.hold(true);
        std::mt19937 generator(9);
        // Both at Eb/N0 19.5 dB (0 dB in 2500 Hz), 5 s of noise between them.
        feedStation(search, plan, 0.0, 128, generator, 3.0);
        ASSERT_NEAR(search.offsetHz(), 0.0, 0.5);
        feedStation(search, plan, 0.0, 160, generator, 0.0);
        feedStation(search, plan, reply, 128, generator, 3.0);
        EXPECT_NEAR(search.offsetHz(), reply, 0.6) << reply << " Hz";  // Hz: 0.02 R
    }
}

// The same reply 7 Hz off only 2 s (64 bits) after the old station: the long
// average still holds the old station's lines at the estimate, at a quarter of
// their level ((0.97)^32 = 0.38 and falling), and scores it far above 1/8 of
// the reply's. In the last few transforms (memory 0.8 a transform) they are
// gone, while the estimate's bits read the reply clearly: the search must go to
// the reply all the same. (Before, it stayed on the old frequency through the
// whole reply, which printed as junk.)
TEST(FrequencySearchTest, AHeldEstimateGoesToAStationBesideItThoughTheAverageRemembersTheOldLines)
{
    EXPECT_NEAR(heldEstimateAfterReply(64, 7.0, 128, false, 9), 7.0, 0.6);  // Hz: 0.02 R
}

// The same reply 15 Hz up, held from its preamble on: its lower tone, steady
// for 40 bits, falls within 0.13 Hz of the old frequency's upper tone, and the
// detector reads it as a run of clean 0s and holds the search there. No text
// reads so (every code word begins and ends with a 1), so held on only 0s the
// search takes the preamble that reads clearly twice the tone offset above,
// within the preamble: the loops start on the reply's first bits. (Before, it
// stayed until the text's lines stood, and the reply's first characters were
// lost.)
TEST(FrequencySearchTest, AHeldEstimateReadingOnlyZerosGoesToThePreambleAbove)
{
    EXPECT_NEAR(heldEstimateAfterReply(160, 15.0, 40, true, 3), 15.0, 0.6);  // Hz: 0.02 R
}
