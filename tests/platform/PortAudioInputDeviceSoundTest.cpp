// SPDX-License-Identifier: GPL-3.0-or-later
// The input device against a real PulseAudio server (run through
// tests/sound/with-sound-server.sh, whose default source is the monitor of the
// null sink "radio"): buffers filled and returned as the receiver's capture expects.

#include "platform/PortAudioInputDevice.h"
#include "tests/platform/CaptureLog.h"
#include "tests/platform/TurnEventLoop.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

constexpr int kReceiveRateHz = 8000;
constexpr int kBufferCount = 8;
constexpr int kSamplesPerBuffer = 256;  // 32 ms
constexpr int kBytesPerBuffer = kSamplesPerBuffer * 2;

struct CaptureRing {
    std::vector<std::vector<std::int16_t>> storage;
    std::vector<CaptureBuffer> buffers;

    CaptureRing()
        : storage(kBufferCount, std::vector<std::int16_t>(kSamplesPerBuffer)), buffers(kBufferCount)
    {
        for (int i = 0; i < kBufferCount; ++i) {
            auto& buffer = buffers[static_cast<std::size_t>(i)];
            buffer.data = storage[static_cast<std::size_t>(i)].data();
            buffer.lengthBytes = kBytesPerBuffer;
            buffer.index = i;
        }
    }
    CaptureBuffer& operator[](int i) { return buffers[static_cast<std::size_t>(i)]; }
};

class PortAudioInputDeviceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const int code = device.open(kReceiveRateHz, log);
        ASSERT_EQ(code, 0) << device.errorText(code);
        for (auto& buffer : ring.buffers) {
            ASSERT_EQ(device.prepare(buffer), 0);
            ASSERT_EQ(device.addBuffer(buffer), 0);
        }
    }
    void TearDown() override
    {
        device.reset();
        device.close();
    }
    std::vector<int> returnedIndices(std::size_t from = 0) const
    {
        std::vector<int> indices;
        for (std::size_t i = from; i < log.returned.size(); ++i)
            indices.push_back(log.returned[i].index);
        return indices;
    }

    PortAudioInputDevice device;
    CaptureLog log;
    CaptureRing ring;
};

TEST_F(PortAudioInputDeviceTest, FullBuffersComeBackInQueueOrderAtThePaceOfRecording)
{
    constexpr int kWanted = 20;  // 640 ms
    std::printf("input device \"%s\", latency %.1f ms\n", device.deviceName().c_str(),
                device.latencySeconds() * 1000.0);
    log.whenReturned = [&](CaptureBuffer& buffer) { device.addBuffer(buffer); };
    QElapsedTimer clock;
    clock.start();
    ASSERT_EQ(device.start(), 0);
    ASSERT_TRUE(turnEventLoopUntil([&] { return log.returned.size() >= kWanted; }, 5000));
    const auto elapsedMs = clock.elapsed();
    std::printf("%d buffers of 32 ms recorded in %lld ms\n", kWanted, static_cast<long long>(elapsedMs));
    // The server may hand over what it buffered at the start in one go, not more.
    EXPECT_GE(elapsedMs, kWanted * 32 - 1000.0 * device.latencySeconds() - 100);

    for (std::size_t i = 0; i < kWanted; ++i) {
        EXPECT_EQ(log.returned[i].index, static_cast<int>(i % kBufferCount));
        EXPECT_EQ(log.returned[i].bytesRecorded, kBytesPerBuffer);
    }
}

TEST_F(PortAudioInputDeviceTest, StopHandsBackThePartlyFilledBufferAndStartResumesIntoTheRest)
{
    ASSERT_EQ(device.start(), 0);
    ASSERT_TRUE(turnEventLoopUntil([&] { return log.returned.size() >= 2; }, 2000));
    ASSERT_EQ(device.stop(), 0);
    turnEventLoopFor(30);
    // Full buffers that were on their way, then the one being filled, with what it
    // held (even byte count, less than full, perhaps nothing).
    ASSERT_FALSE(log.returned.empty());
    const auto partial = log.returned.back();
    EXPECT_LT(partial.bytesRecorded, kBytesPerBuffer);
    EXPECT_EQ(partial.bytesRecorded % 2, 0);
    for (std::size_t i = 0; i + 1 < log.returned.size(); ++i)
        EXPECT_EQ(log.returned[i].bytesRecorded, kBytesPerBuffer);
    const std::size_t returnedWhileRecording = log.returned.size();
    ASSERT_LT(returnedWhileRecording, static_cast<std::size_t>(kBufferCount));

    turnEventLoopFor(200);
    EXPECT_EQ(log.returned.size(), returnedWhileRecording) << "stopped: the empty buffers stay queued";

    ASSERT_EQ(device.start(), 0);
    ASSERT_TRUE(turnEventLoopUntil([&] { return log.returned.size() == kBufferCount; }, 2000));
    for (std::size_t i = returnedWhileRecording; i < kBufferCount; ++i)
        EXPECT_EQ(log.returned[i].bytesRecorded, kBytesPerBuffer);
    std::vector<int> all = returnedIndices();
    EXPECT_EQ(all, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7})) << "the same buffers, still in queue order";

    turnEventLoopFor(100);
    EXPECT_EQ(log.returned.size(), static_cast<std::size_t>(kBufferCount)) << "no buffer: audio dropped";
}

TEST_F(PortAudioInputDeviceTest, ResetHandsBackEveryQueuedBufferAndUnprepareWaitsForIt)
{
    ASSERT_EQ(device.start(), 0);
    ASSERT_TRUE(turnEventLoopUntil([&] { return log.returned.size() >= 1; }, 2000));
    EXPECT_EQ(device.unprepare(ring[kBufferCount - 1]), PortAudioInputDevice::kStillQueued);

    ASSERT_EQ(device.reset(), 0);
    ASSERT_TRUE(turnEventLoopUntil([&] { return log.returned.size() == kBufferCount; }, 500));
    EXPECT_EQ(returnedIndices(), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7}));
    turnEventLoopFor(100);
    EXPECT_EQ(log.returned.size(), static_cast<std::size_t>(kBufferCount));
    for (auto& buffer : ring.buffers)
        EXPECT_EQ(device.unprepare(buffer), 0);
    EXPECT_EQ(device.addBuffer(ring[0]), PortAudioInputDevice::kNotPrepared);
}

TEST_F(PortAudioInputDeviceTest, NothingIsDeliveredAfterClose)
{
    ASSERT_EQ(device.start(), 0);
    QThread::msleep(100);  // buffers fill, their notifications wait in the event queue
    device.stop();
    device.reset();
    ASSERT_EQ(device.close(), 0);
    turnEventLoopFor(100);
    EXPECT_TRUE(log.returned.empty()) << "the caller may free its buffers once close() returns";
    EXPECT_EQ(device.start(), PortAudioInputDevice::kNotOpen);
    EXPECT_FALSE(device.errorText(PortAudioInputDevice::kNotOpen).empty());
}

}  // namespace
