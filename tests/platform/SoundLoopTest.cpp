// SPDX-License-Identifier: GPL-3.0-or-later
// Both devices at once, as a radio link on one machine: a 1000 Hz tone played into
// the null sink "radio" is recorded from its monitor, the default source under
// tests/sound/with-sound-server.sh. Shows that PortAudio's default devices are the
// sound server's and measures the delay from the first queued sample to the tone
// in the recording.

#include "platform/PortAudioInputDevice.h"
#include "platform/PortAudioOutputDevice.h"
#include "tests/platform/CaptureLog.h"
#include "tests/platform/OutputLog.h"
#include "tests/platform/TurnEventLoop.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <vector>

namespace {

constexpr int kTransmitRateHz = 32000;
constexpr int kReceiveRateHz = 8000;
constexpr double kToneHz = 1000.0;
constexpr double kPeak = 15000.0;
constexpr int kOutputBuffers = 40;
constexpr int kSamplesPerOutputBuffer = 1024;  // 32 ms at 32000 samples/s
constexpr int kCaptureBuffers = 8;
constexpr int kSamplesPerCaptureBuffer = 256;  // 32 ms at 8000 samples/s
constexpr int kAnalysisBlock = 400;            // 50 ms at 8000 samples/s

// Power of one frequency in a block of samples (Goertzel), as mean square amplitude.
double tonePower(const std::int16_t* samples, int count, double frequencyHz, int rateHz)
{
    const double w = 2.0 * std::numbers::pi * frequencyHz / rateHz;
    const double coefficient = 2.0 * std::cos(w);
    double s1 = 0.0;
    double s2 = 0.0;
    for (int i = 0; i < count; ++i) {
        const double s0 = samples[i] + coefficient * s1 - s2;
        s2 = s1;
        s1 = s0;
    }
    const double power = s1 * s1 + s2 * s2 - coefficient * s1 * s2;
    return 2.0 * power / (static_cast<double>(count) * count);
}

TEST(SoundLoop, ToneThroughTheSinkIsRecordedFromItsMonitor)
{
    PortAudioInputDevice input;
    CaptureLog captureLog;
    std::vector<std::vector<std::int16_t>> captureStorage(kCaptureBuffers,
                                                          std::vector<std::int16_t>(kSamplesPerCaptureBuffer));
    std::vector<CaptureBuffer> captureBuffers(kCaptureBuffers);
    std::vector<std::int16_t> recording;
    captureLog.whenReturned = [&](CaptureBuffer& buffer) {
        recording.insert(recording.end(), buffer.data, buffer.data + buffer.bytesRecorded / 2);
        input.addBuffer(buffer);
    };
    const int code = input.open(kReceiveRateHz, captureLog);
    ASSERT_EQ(code, 0) << input.errorText(code);
    for (int i = 0; i < kCaptureBuffers; ++i) {
        auto& buffer = captureBuffers[static_cast<std::size_t>(i)];
        buffer.data = captureStorage[static_cast<std::size_t>(i)].data();
        buffer.lengthBytes = kSamplesPerCaptureBuffer * 2;
        buffer.index = i;
        input.prepare(buffer);
        input.addBuffer(buffer);
    }
    ASSERT_EQ(input.start(), 0);
    QElapsedTimer clock;
    clock.start();
    turnEventLoopFor(300);  // silence first, to time the tone's arrival

    // A continuous tone split over 40 buffers, as the transmitter queues its bits.
    std::vector<std::vector<std::int16_t>> toneStorage(kOutputBuffers);
    std::vector<OutputBuffer> toneBuffers(kOutputBuffers);
    for (int b = 0; b < kOutputBuffers; ++b) {
        auto& samples = toneStorage[static_cast<std::size_t>(b)];
        samples.resize(kSamplesPerOutputBuffer);
        for (int i = 0; i < kSamplesPerOutputBuffer; ++i) {
            const double t = static_cast<double>(b * kSamplesPerOutputBuffer + i) / kTransmitRateHz;
            samples[static_cast<std::size_t>(i)] =
                static_cast<std::int16_t>(std::lround(kPeak * std::sin(2.0 * std::numbers::pi * kToneHz * t)));
        }
        toneBuffers[static_cast<std::size_t>(b)] = {samples.data(), kSamplesPerOutputBuffer * 2, b, false};
    }
    PortAudioOutputDevice output;
    OutputLog outputLog;
    ASSERT_TRUE(output.open(kTransmitRateHz, outputLog)) << output.lastErrorText();
    ASSERT_TRUE(turnEventLoopUntil([&] { return outputLog.opens == 1; }, 2000));
    const auto toneQueuedMs = clock.elapsed();
    const std::size_t recordedBeforeTone = recording.size();
    for (auto& buffer : toneBuffers) {
        output.prepare(buffer);
        output.write(buffer);
    }
    ASSERT_TRUE(turnEventLoopUntil([&] { return outputLog.dones == kOutputBuffers; }, 5000));
    turnEventLoopFor(400);  // the tail of the tone through the server
    std::printf("playback \"%s\" (%.1f ms), recording \"%s\" (%.1f ms)\n", output.deviceName().c_str(),
                output.latencySeconds() * 1000, input.deviceName().c_str(), input.latencySeconds() * 1000);
    output.close();
    input.stop();
    input.reset();
    input.close();

    // Find where the tone starts and how strong it is, block by block.
    const int blocks = static_cast<int>(recording.size()) / kAnalysisBlock;
    ASSERT_GT(blocks, 20);
    int firstToneBlock = -1;
    double strongest = 0.0;
    double strongestOffTone = 0.0;
    for (int k = 0; k < blocks; ++k) {
        const std::int16_t* block = recording.data() + static_cast<std::size_t>(k) * kAnalysisBlock;
        const double power = tonePower(block, kAnalysisBlock, kToneHz, kReceiveRateHz);
        const double amplitude = std::sqrt(2.0 * power);
        if (firstToneBlock < 0 && amplitude > kPeak / 4)
            firstToneBlock = k;
        strongest = std::max(strongest, amplitude);
        strongestOffTone = std::max(strongestOffTone,
                                    std::sqrt(2.0 * tonePower(block, kAnalysisBlock, 1500.0, kReceiveRateHz)));
    }
    ASSERT_GE(firstToneBlock, 0) << "the tone never reached the recording";
    const double arrivalMs =
        (static_cast<double>(firstToneBlock) * kAnalysisBlock - static_cast<double>(recordedBeforeTone)) * 1000.0 /
        kReceiveRateHz;
    std::printf("tone queued at %lld ms; recorded %.0f ms later (within one %d ms block); "
                "amplitude %.0f of %.0f, at 1500 Hz %.0f\n",
                static_cast<long long>(toneQueuedMs), arrivalMs, kAnalysisBlock * 1000 / kReceiveRateHz, strongest,
                kPeak, strongestOffTone);
    EXPECT_NEAR(strongest, kPeak, kPeak * 0.2) << "the null sink passes the tone at full level";
    EXPECT_LT(strongestOffTone, kPeak / 50);
    EXPECT_LT(arrivalMs, 500.0);

    // The tone lasts as long as it was played: 40 × 32 ms = 1.28 s.
    int toneBlocks = 0;
    for (int k = 0; k < blocks; ++k) {
        const double power =
            tonePower(recording.data() + static_cast<std::size_t>(k) * kAnalysisBlock, kAnalysisBlock, kToneHz,
                      kReceiveRateHz);
        if (std::sqrt(2.0 * power) > kPeak * 0.9)
            ++toneBlocks;
    }
    EXPECT_NEAR(toneBlocks * kAnalysisBlock, kOutputBuffers * kSamplesPerOutputBuffer / 4, 2 * kAnalysisBlock);
}

}  // namespace
