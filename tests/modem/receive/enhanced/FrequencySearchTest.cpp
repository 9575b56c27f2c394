// SPDX-License-Identifier: GPL-3.0-or-later
// The frequency search held by a detector that reads the station a tenth of a
// bit rate beside it.
#include "modem/receive/SpeedPlan.h"
#include "modem/receive/enhanced/FrequencySearch.h"

#include <gtest/gtest.h>

#include <random>
#include <tuple>

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

// At 31 baud, held on a station, then noise, then a reply beside it: the search
// must go to the reply though the detector holds it. After 2 s the long average
// still holds the old lines (0.97^32 = 0.38); a preamble 15 Hz up reads as
// clean 0s at the estimate; one 25 Hz down reads only noise there. Preambles
// are taken within their 40 bits. (Before, each stayed, and printed junk or
// lost its first character.)
TEST(FrequencySearchTest, AHeldEstimateGoesToAReplyBesideIt)
{
    const SpeedPlan plan(8000.0, 500.0);
    const kissfft<Real> transform(plan.transformSize, false);
    // Noise bits before the reply, its offset (Hz), its bits, whether a preamble, seed.
    for (const auto& [gap, hz, bits, preamble, seed] : {std::tuple{160, 7.0, 128, false, 9u}, std::tuple{160, 15.0, 128, false, 9u},
                                                         std::tuple{64, 7.0, 128, false, 9u}, std::tuple{160, 15.0, 40, true, 3u},
                                                         std::tuple{64, -25.0, 40, true, 3u}}) {
        FrequencySearch search(plan, transform);
        search.hold(true);
        std::mt19937 generator(seed);
        feedStation(search, plan, 0.0, 128, generator, 3.0);  // Eb/N0 19.5 dB
        ASSERT_NEAR(search.offsetHz(), 0.0, 0.5);
        feedStation(search, plan, 0.0, gap, generator, 0.0);
        feedStation(search, plan, hz, bits, generator, 3.0, preamble);
        EXPECT_NEAR(search.offsetHz(), hz, 0.6) << hz << " Hz after " << gap << " bits";  // Hz: 0.02 R
    }
}

// Read cleanly, then a reply beside the station after a pause. After a strong
// over the detector's Eb/N0, a mean over 50 bits, holds the search on into the
// noise and lets go only as the reply starts (63 baud, 10 Hz below); or the
// hold ends with the over, 2 s before the reply (125 baud, 25 Hz below), whose
// old lines the long average still holds above its floor. 10 Hz is a sixth of
// the bit rate at 63 baud, 25 Hz a fifth at 125: the one-bit filters read the
// reply at the old estimate nearly as well as at its own frequency
// (1 - sinc^2(0.16) = 8 % less), so no check of the bits prefers the reply,
// while the carrier loop cannot pull in from there. The reply's lines, soon far
// above the old estimate's, must be taken within its preamble and first few
// characters. (Before, the estimate stayed, and the reply printed as junk.)
TEST(FrequencySearchTest, AnEstimateWhereAStationWasReadGoesToAReplyBesideIt)
{
    // Decimated samples a second, the reply's offset (Hz), pause (bits), held
    // through it, the reply's amplitude (3: Eb/N0 19.5 dB, 2: 16 dB).
    for (const auto& [tickRate, hz, pause, heldThrough, amplitude] :
         {std::tuple{1000.0, -10.0, 48, true, 3.0}, std::tuple{2000.0, -25.0, 250, false, 2.0}}) {
        const SpeedPlan plan(8000.0, tickRate);
        const kissfft<Real> transform(plan.transformSize, false);
        FrequencySearch search(plan, transform);
        std::mt19937 generator(2);
        search.hold(true);
        feedStation(search, plan, 0.0, 256, generator, 3.0);  // Eb/N0 19.5 dB
        ASSERT_NEAR(search.offsetHz(), 0.0, 0.5);
        search.hold(heldThrough);
        feedStation(search, plan, 0.0, pause, generator, 0.0);
        search.hold(false);
        feedStation(search, plan, hz, 42, generator, amplitude, true);
        feedStation(search, plan, hz, 48, generator, amplitude);
        EXPECT_NEAR(search.offsetHz(), hz, 0.02 * plan.bitRate) << plan.bitRate << " baud";
    }
}

// Replies beside the centre after a pause, whose preambles the centre's one-bit
// filters read too (a tone d bit rates from a filter gives it sinc^2(d) of its
// energy). Once the estimate has reached a reply it must stay on it through the
// preamble (40 bits) and the text after it.
//  - 7 Hz above at 31 baud, 15 Hz above at 63 (0.22 and 0.24 R): the preamble's
//    tone lies between the centre's two filters, which read it as a mix of 0s
//    and 1s with 15 to 17 % less energy. A mix there could win from a preamble, which
//    counts a little less anywhere but at the centre (a carrier could read so).
//  - 25 Hz below at 31 baud, at Eb/N0 30 dB: its tone lies 0.8 R below the
//    centre's lower filter, which takes 5.5 % of its energy, far above the
//    noise: a clean preamble at the centre, taken as the station tuned in,
//    and the reply shunned for 10 s.
// (Before, each went back to the centre in mid-preamble and lost its first
// words, the last its whole text.)
TEST(FrequencySearchTest, AReplysPreambleReadAlsoAtTheCentreKeepsTheEstimate)
{
    // Decimated samples a second, the reply's offset (Hz), the pause (bits), the
    // reply's amplitude (1.5: Eb/N0 13.5 dB), whether the detector holds the
    // search as it goes there (it reads the preamble cleanly, and lets go while
    // its Eb/N0 is still the pause's) and through the text, seed.
    for (const auto& [tickRate, hz, pause, amplitude, held, seed] :
         {std::tuple{500.0, 7.0, 160, 1.5, true, 2u}, std::tuple{500.0, 7.0, 160, 1.5, true, 4u},
          std::tuple{1000.0, 15.0, 320, 1.5, true, 1u}, std::tuple{1000.0, 15.0, 320, 1.5, true, 3u},
          std::tuple{500.0, -25.0, 320, 10.0, false, 2u}, std::tuple{500.0, -25.0, 320, 10.0, false, 4u},
          std::tuple{500.0, -25.0, 320, 10.0, false, 7u}}) {
        const SpeedPlan plan(8000.0, tickRate);
        const kissfft<Real> transform(plan.transformSize, false);
        FrequencySearch search(plan, transform);
        std::mt19937 generator(seed);
        search.hold(true);
        feedStation(search, plan, 0.0, 256, generator, std::max(2.0, amplitude));
        ASSERT_NEAR(search.offsetHz(), 0.0, 0.5);
        search.hold(false);
        feedStation(search, plan, 0.0, pause, generator, 0.0);
        search.hold(held);
        int bit = 0;
        for (; bit < 36 && std::abs(search.offsetHz() - hz) > 0.05 * plan.bitRate; ++bit)
            feedStation(search, plan, hz, 1, generator, amplitude, true);
        ASSERT_LT(bit, 36) << plan.bitRate << " baud, " << hz << " Hz, seed " << seed;
        Real furthest = 0;
        for (; bit < 72; ++bit) {
            search.hold(bit >= 40 && held);
            feedStation(search, plan, hz, 1, generator, amplitude, bit < 40);
            furthest = std::max(furthest, std::abs(search.offsetHz() - hz));
        }
        EXPECT_LT(furthest, 0.1 * plan.bitRate) << plan.bitRate << " baud, " << hz << " Hz, seed " << seed;
    }
}

// A reply's preamble whose tone the centre's filters read too, while the
// estimate is elsewhere: the strongest line reads as a preamble, and a
// candidate within half a bit rate of it reads that same tone from beside it.
//  - 25 Hz below the centre at 125 baud, 2 s after an over (0.2 R): the tone
//    lies 0.2 R below the centre's lower filter, which reads it as a clean
//    preamble with sinc^2(0.2) = 94 % of the energy. A preamble counts in full
//    at the centre (the station tuned in), a little less elsewhere (a carrier
//    could read so), so the centre won.
//  - 15 Hz above at 63 baud, 5 or 7.5 s after an over, the estimate wandered
//    off in the noise: the centre's filters read the tone between them as a
//    mix of 0s and 1s, with 17 % less energy, which won for the same reason.
// The reply must be taken where it stands, within its preamble.
TEST(FrequencySearchTest, AReplysPreambleReadAlsoAtTheCentreIsTakenWhereItStands)
{
    // Decimated samples a second, the reply's offset (Hz), the pause (bits), seed.
    for (const auto& [tickRate, hz, pause, seed] :
         {std::tuple{2000.0, -25.0, 250, 1u}, std::tuple{2000.0, -25.0, 250, 2u}, std::tuple{2000.0, -25.0, 250, 3u},
          std::tuple{1000.0, 15.0, 320, 3u}, std::tuple{1000.0, 15.0, 480, 3u}}) {
        const SpeedPlan plan(8000.0, tickRate);
        const kissfft<Real> transform(plan.transformSize, false);
        FrequencySearch search(plan, transform);
        std::mt19937 generator(seed);
        search.hold(true);
        feedStation(search, plan, 0.0, 256, generator, 2.0);  // Eb/N0 16 dB
        ASSERT_NEAR(search.offsetHz(), 0.0, 0.5);
        search.hold(false);
        feedStation(search, plan, 0.0, pause, generator, 0.0);
        feedStation(search, plan, hz, 40, generator, 1.5, true);  // Eb/N0 13.5 dB
        EXPECT_NEAR(search.offsetHz(), hz, 0.05 * plan.bitRate) << plan.bitRate << " baud, seed " << seed << ", pause " << pause;
    }
}
