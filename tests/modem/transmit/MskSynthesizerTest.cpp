// SPDX-License-Identifier: GPL-3.0-or-later
#include "modem/transmit/DriveLevel.h"
#include "modem/transmit/KeyingEnvelope.h"
#include "modem/transmit/MskSynthesizer.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <random>
#include <utility>
#include <vector>

namespace {
const double kPi = 4.0 * std::atan(1.0);

}  // namespace

TEST(MskSynthesizer, FirstBitsAfterStartAt125Baud)
{
    MskSynthesizer synth;
    synth.setSamplesPerBit(256);
    std::array<std::int16_t, 256> one{};
    std::array<std::int16_t, 256> zero{};
    synth.fillBit(one.data(), 1);
    // sin(2 pi 968.75 n / 32000) x 15000, rounded.
    const std::array<std::int16_t, 8> head = {0, 2836, 5570, 8103, 10343, 12211, 13638, 14573};
    for (std::size_t i = 0; i < head.size(); ++i)
        EXPECT_EQ(one[i], head[i]) << i;
    for (int n = 0; n < 256; ++n)
        EXPECT_EQ(one[static_cast<std::size_t>(n)], std::nearbyint(std::sin(2 * kPi * 968.75 * n / 32000) * 15000)) << n;
    // 7.75 cycles leave the phase at 3 pi / 2.
    EXPECT_NEAR(synth.phase(), 1.5 * kPi, 1e-9);

    synth.fillBit(zero.data(), 0);
    const std::array<std::int16_t, 5> next = {-15000, -14694, -13787, -12317, -10343};
    for (std::size_t i = 0; i < next.size(); ++i)
        EXPECT_EQ(zero[i], next[i]) << i;
}

TEST(MskSynthesizer, At500BaudABitLasts64SamplesAndTurnsByAQuarterCycleMoreOrLess)
{
    MskSynthesizer synth;
    synth.setSamplesPerBit(64);
    std::array<std::int16_t, 1024> buffer{};
    buffer.fill(12345);
    synth.fillBit(buffer.data(), 1);
    EXPECT_NE(buffer[63], 12345);
    EXPECT_EQ(buffer[64], 12345);               // exactly 64 written
    EXPECT_NEAR(synth.phase(), 1.5 * kPi, 1e-9); // 1.75 cycles
    synth.fillBit(buffer.data(), 0);
    // plus 2.25 cycles: four whole cycles since start
    EXPECT_NEAR(std::cos(synth.phase()), 1.0, 1e-9);
    EXPECT_NEAR(std::sin(synth.phase()), 0.0, 1e-9);
}

TEST(MskSynthesizer, TonesOfEveryMode)
{
    // Over one bit the phase turns by 2 pi f samplesPerBit / 32000.
    for (const TxMode& mode : kTxModes) {
        for (int bit : {0, 1}) {
            MskSynthesizer synth;
            synth.setSamplesPerBit(mode.samplesPerBit);
            std::vector<std::int16_t> buffer(MskSynthesizer::kMaxSamplesPerBit);
            synth.fillBit(buffer.data(), bit);
            const double f = bit ? mode.toneForOne : mode.toneForZero;
            EXPECT_FLOAT_EQ(synth.tone(), static_cast<float>(f));
            EXPECT_NEAR(std::cos(synth.phase()), std::cos(2 * kPi * f * mode.samplesPerBit / 32000), 1e-9) << mode.label;
            EXPECT_NEAR(std::sin(synth.phase()), std::sin(2 * kPi * f * mode.samplesPerBit / 32000), 1e-9) << mode.label;
        }
    }
}

TEST(MskSynthesizer, PhaseRunsOnAcrossBitsAndSpeedChangesWithoutAJump)
{
    MskSynthesizer synth;
    std::mt19937 random(7);
    std::vector<std::int16_t> buffer(MskSynthesizer::kMaxSamplesPerBit);
    int peak = 0;
    for (int i = 0; i < 400; ++i) {
        if (i % 17 == 0)
            synth.setSamplesPerBit(kTxModes[random() % kTxModes.size()].samplesPerBit);
        const double before = synth.phase();
        synth.fillBit(buffer.data(), static_cast<int>(random() % 2));
        // The first sample continues from where the last bit left the phase.
        EXPECT_EQ(buffer[0], std::nearbyint(std::sin(before) * 15000));
        EXPECT_GE(synth.phase(), 0.0);
        EXPECT_LE(synth.phase(), 2 * kPi);
        for (int n = 0; n < synth.samplesPerBit(); ++n)
            peak = std::max(peak, std::abs(static_cast<int>(buffer[static_cast<std::size_t>(n)])));
        // and the last bit advanced it by whole samples of its own tone.
        const double step = 2 * kPi * static_cast<double>(synth.tone()) / 32000;
        EXPECT_NEAR(std::cos(synth.phase()), std::cos(before + step * synth.samplesPerBit()), 1e-9);
    }
    EXPECT_LE(peak, 15000);
    EXPECT_GE(peak, 14990);
}

TEST(MskSynthesizer, AnUnknownSampleCountNeverOverrunsTheBuffer)
{
    MskSynthesizer synth;
    synth.setSamplesPerBit(64);
    synth.setSamplesPerBit(4096);  // not a speed: ignored
    synth.setSamplesPerBit(0);
    EXPECT_EQ(synth.samplesPerBit(), 64);
}

// The keying edges: the rise shapes the first 160 samples of an over and nothing
// else; the fall continues the last bit's tone and leaves the phase where it was.
TEST(MskSynthesizer, TheRiseShapesOnlyTheFirst5Milliseconds)
{
    MskSynthesizer plain;
    MskSynthesizer keyed;
    plain.setSamplesPerBit(256);
    keyed.setSamplesPerBit(256);
    keyed.startRise();
    std::array<std::int16_t, 256> a{};
    std::array<std::int16_t, 256> b{};
    plain.fillBit(a.data(), 1);
    keyed.fillBit(b.data(), 1);
    // At 968.75 Hz sample n is 15000 sin(2 pi 968.75 n / 32000); the rise's gain is
    // (1 - cos(pi n / 160)) / 2: 0 at n = 0, 9.64e-5 at n = 1 (2836.03 -> 0.27 -> 0),
    // 0.5 at n = 80 (7070.95 -> 3535.48 -> 3535), 0.99990 at n = 159
    // (-13822.71 -> -13821.38 -> -13821).
    EXPECT_EQ(a[1], 2836);
    EXPECT_EQ(b[1], 0);
    EXPECT_EQ(a[80], 7071);
    EXPECT_EQ(b[80], 3535);
    EXPECT_EQ(a[159], -13823);
    EXPECT_EQ(b[159], -13821);
    for (std::size_t n = 160; n < a.size(); ++n)
        ASSERT_EQ(a[n], b[n]) << n;
    EXPECT_EQ(plain.phase(), keyed.phase());
    plain.fillBit(a.data(), 0);
    keyed.fillBit(b.data(), 0);
    EXPECT_EQ(a, b);  // the rise is spent

    // A rise longer than a bit (500 baud: 64 samples) runs on into the next bits.
    MskSynthesizer fast;
    MskSynthesizer fastPlain;
    fast.setSamplesPerBit(64);
    fastPlain.setSamplesPerBit(64);
    fast.startRise();
    std::vector<std::int16_t> rise(192);
    std::vector<std::int16_t> flat(192);
    for (int bit = 0; bit < 3; ++bit) {
        fast.fillBit(rise.data() + 64 * bit, 1);
        fastPlain.fillBit(flat.data() + 64 * bit, 1);
    }
    for (int n = 0; n < 192; ++n)
        EXPECT_NEAR(rise[static_cast<std::size_t>(n)],
                    flat[static_cast<std::size_t>(n)] * (n < 160 ? keying::riseGain(n) : 1.0), 1.0) << n;
}

TEST(MskSynthesizer, TheFallContinuesTheLastTonePhaseContinuouslyAndLeavesThePhase)
{
    MskSynthesizer synth;
    synth.setSamplesPerBit(128);
    std::array<std::int16_t, 128> bit{};
    synth.fillBit(bit.data(), 0);
    const MskSynthesizer::ToneState after = synth.toneState();
    std::array<std::int16_t, keying::kEdgeSamples> fall{};
    synth.fillFall(fall.data(), after);
    EXPECT_EQ(synth.phase(), after.phase);

    // The same tone carried on without a fall, for comparison.
    std::array<std::int16_t, 128> next{};
    synth.fillBit(next.data(), 0);
    EXPECT_EQ(fall[0], next[0]);  // gain 1: the first sample joins without a step
    for (std::size_t n = 0; n < next.size(); ++n)
        EXPECT_NEAR(fall[n], next[n] * keying::fallGain(static_cast<int>(n)), 1.0) << n;
    // The last sample: gain (1 + cos(pi 159 / 160)) / 2 = 9.64e-5, at most 1.45.
    EXPECT_LE(std::abs(fall[159]), 1);
    EXPECT_DOUBLE_EQ(keying::fallGain(80), keying::riseGain(80));
}

TEST(MskSynthesizer, DriveLevelScalesEverySampleAndFullDriveChangesNothing)
{
    MskSynthesizer today;
    MskSynthesizer full;
    full.setDriveGain(drive::gainForDb(0));
    EXPECT_EQ(full.driveGain(), 1.0);
    std::mt19937 random(3);
    std::vector<std::int16_t> a(MskSynthesizer::kMaxSamplesPerBit);
    std::vector<std::int16_t> b(MskSynthesizer::kMaxSamplesPerBit);
    for (int i = 0; i < 200; ++i) {
        const int bit = static_cast<int>(random() % 2);
        today.fillBit(a.data(), bit);
        full.fillBit(b.data(), bit);
        ASSERT_EQ(a, b) << i;
    }

    // -6 dB: 15000 x 10^(-6/20) = 7517.8; -30 dB: 15000 x 10^(-30/20) = 474.3.
    for (const auto& [db, peak] : {std::pair{-6, 7518}, std::pair{-30, 474}}) {
        MskSynthesizer quiet;
        quiet.setDriveGain(drive::gainForDb(db));
        int highest = 0;
        for (int i = 0; i < 4; ++i) {
            quiet.fillBit(a.data(), 1);
            for (std::int16_t s : a)
                highest = std::max(highest, std::abs(static_cast<int>(s)));
        }
        EXPECT_EQ(highest, peak) << db;
    }
    // Beyond the range: the nearer end; a gain above full drive or at 0 is ignored.
    EXPECT_EQ(drive::gainForDb(-31), drive::gainForDb(-30));
    EXPECT_EQ(drive::gainForDb(3), 1.0);
    full.setDriveGain(2.0);
    full.setDriveGain(0.0);
    EXPECT_EQ(full.driveGain(), 1.0);
}
