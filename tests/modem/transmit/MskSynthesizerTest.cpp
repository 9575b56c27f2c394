// SPDX-License-Identifier: GPL-3.0-or-later
#include "modem/transmit/MskSynthesizer.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <random>
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
