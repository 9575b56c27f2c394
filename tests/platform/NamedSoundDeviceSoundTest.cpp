// SPDX-License-Identifier: GPL-3.0-or-later
// Devices chosen by name on the private sound server (tests/sound/with-sound-server.sh):
// "Radio Interface", a null sink that is not the default, is listed by that name,
// a tone played on it is recorded from its monitor and not from the default's,
// a device that is not there fails to open rather than falling back, and the
// output counts the times its queue ran out in the middle of the signal.

#include "platform/PortAudioInputDevice.h"
#include "platform/PortAudioOutputDevice.h"
#include "platform/PulseSoundDevices.h"
#include "tests/platform/CaptureLog.h"
#include "tests/platform/OutputLog.h"
#include "tests/platform/TurnEventLoop.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <numbers>
#include <vector>

namespace {

constexpr int kTransmitRateHz = 32000;
constexpr int kReceiveRateHz = 8000;
constexpr double kToneHz = 1000.0;
constexpr double kPeak = 15000.0;
constexpr int kToneBuffers = 20;
constexpr int kSamplesPerToneBuffer = 1024;  // 32 ms at 32000 samples/s: 0.64 s of tone
constexpr int kCaptureBuffers = 8;
constexpr int kSamplesPerCaptureBuffer = 256;
constexpr const char* kInterface = "interface";  // the server's name of "Radio Interface"

// Records from one input device into `samples` while it lives.
struct Recording {
    PortAudioInputDevice device;
    CaptureLog log;
    std::vector<std::vector<std::int16_t>> storage{kCaptureBuffers, std::vector<std::int16_t>(kSamplesPerCaptureBuffer)};
    std::vector<CaptureBuffer> buffers{kCaptureBuffers};
    std::vector<std::int16_t> samples;

    int start(const std::string& serverName)
    {
        log.whenReturned = [this](CaptureBuffer& buffer) {
            samples.insert(samples.end(), buffer.data, buffer.data + buffer.bytesRecorded / 2);
            device.addBuffer(buffer);
        };
        device.selectDevice(serverName);
        if (const int code = device.open(kReceiveRateHz, log); code != 0)
            return code;
        for (int i = 0; i < kCaptureBuffers; ++i) {
            CaptureBuffer& b = buffers[static_cast<std::size_t>(i)];
            b.data = storage[static_cast<std::size_t>(i)].data();
            b.lengthBytes = kSamplesPerCaptureBuffer * 2;
            b.index = i;
            device.prepare(b);
            device.addBuffer(b);
        }
        return device.start();
    }
    void stop()
    {
        device.stop();
        device.reset();
        device.close();
    }
    int peak() const
    {
        int most = 0;
        for (const std::int16_t x : samples)
            most = std::max(most, std::abs(static_cast<int>(x)));
        return most;
    }
};

TEST(NamedSoundDevices, TheServersDevicesAreListedByTheirDesktopNames)
{
    PulseSoundDevices server;
    std::vector<SoundDevice> outputs;
    std::vector<SoundDevice> inputs;
    std::string error;
    ASSERT_TRUE(server.list(SoundDirection::Output, outputs, error)) << error;
    ASSERT_TRUE(server.list(SoundDirection::Input, inputs, error)) << error;
    const auto has = [](const std::vector<SoundDevice>& list, const std::string& description,
                        const std::string& serverName) {
        return std::any_of(list.begin(), list.end(), [&](const SoundDevice& d) {
            return d.description == description && d.serverName == serverName;
        });
    };
    EXPECT_TRUE(has(outputs, "Radio Interface", "interface"));
    EXPECT_TRUE(has(inputs, "Monitor of Radio Interface", "interface.monitor"));
    EXPECT_FALSE(has(outputs, "Monitor of Radio Interface", "interface.monitor"));
}

TEST(NamedSoundDevices, AToneReachesTheDeviceChosenByNameAndNotTheDefault)
{
    Recording chosen;
    Recording usual;  // the default input: the monitor of the default sink "radio"
    ASSERT_EQ(chosen.start("interface.monitor"), 0);
    ASSERT_EQ(usual.start(""), 0);
    turnEventLoopFor(200);

    std::vector<std::vector<std::int16_t>> toneStorage(kToneBuffers);
    std::vector<OutputBuffer> tone(kToneBuffers);
    for (int b = 0; b < kToneBuffers; ++b) {
        auto& samples = toneStorage[static_cast<std::size_t>(b)];
        for (int i = 0; i < kSamplesPerToneBuffer; ++i) {
            const double t = static_cast<double>(b * kSamplesPerToneBuffer + i) / kTransmitRateHz;
            samples.push_back(static_cast<std::int16_t>(std::lround(kPeak * std::sin(2 * std::numbers::pi * kToneHz * t))));
        }
        tone[static_cast<std::size_t>(b)] = {samples.data(), kSamplesPerToneBuffer * 2, b, false};
    }
    PortAudioOutputDevice output;
    OutputLog outputLog;
    output.selectDevice(kInterface);
    ASSERT_TRUE(output.open(kTransmitRateHz, outputLog)) << output.lastErrorText();
    EXPECT_EQ(output.deviceName(), kInterface);
    ASSERT_TRUE(turnEventLoopUntil([&] { return outputLog.opens == 1; }, 2000));
    for (OutputBuffer& buffer : tone) {
        output.prepare(buffer);
        output.write(buffer);
    }
    ASSERT_TRUE(turnEventLoopUntil([&] { return outputLog.dones == kToneBuffers; }, 5000));
    turnEventLoopFor(600);  // the tail, through the output's latency and the server
    output.close();
    chosen.stop();
    usual.stop();

    EXPECT_GT(chosen.peak(), kPeak * 0.8) << "the tone reached the chosen device";
    EXPECT_LT(usual.peak(), kPeak / 100) << "and nothing reached the default one";
}

TEST(NamedSoundDevices, ADeviceThatIsNotThereFailsToOpenRatherThanFallingBack)
{
    PortAudioOutputDevice output;
    OutputLog outputLog;
    output.selectDevice("unplugged-interface");
    EXPECT_FALSE(output.open(kTransmitRateHz, outputLog));
    EXPECT_FALSE(output.isOpen());
    turnEventLoopFor(100);
    EXPECT_TRUE(outputLog.events.empty());

    Recording input;
    EXPECT_NE(input.start("unplugged-interface.monitor"), 0);
    EXPECT_FALSE(input.device.isOpen());
}

TEST(NamedSoundDevices, AQueueThatRunsOutMidSignalCountsOnceAndAStopDoesNot)
{
    std::vector<std::int16_t> samples(kSamplesPerToneBuffer, 1000);
    {
        PortAudioOutputDevice output;
        OutputLog log;
        ASSERT_TRUE(output.open(kTransmitRateHz, log)) << output.lastErrorText();
        OutputBuffer buffer{samples.data(), kSamplesPerToneBuffer * 2, 0, false};
        output.prepare(buffer);
        output.write(buffer);
        ASSERT_TRUE(turnEventLoopUntil([&] { return log.dones == 1; }, 2000));
        turnEventLoopFor(300);  // nothing more queued: the signal stops short
        EXPECT_EQ(output.underrunCount(), 1);
        output.close();
    }
    {
        PortAudioOutputDevice output;
        OutputLog log;
        ASSERT_TRUE(output.open(kTransmitRateHz, log)) << output.lastErrorText();
        OutputBuffer buffer{samples.data(), kSamplesPerToneBuffer * 2, 0, false};
        output.prepare(buffer);
        output.write(buffer);
        output.reset();  // "Turn Off": the silence that follows is asked for
        turnEventLoopFor(300);
        EXPECT_EQ(output.underrunCount(), 0);
        output.close();
    }
}

}  // namespace
