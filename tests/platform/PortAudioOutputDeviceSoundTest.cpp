// SPDX-License-Identifier: GPL-3.0-or-later
// The output device against a real PulseAudio server (run through
// tests/sound/with-sound-server.sh): the order of its notifications as the
// transmitter relies on it.

#include "platform/PortAudioOutputDevice.h"
#include "tests/platform/OutputLog.h"
#include "tests/platform/TurnEventLoop.h"

#include <QProcess>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <vector>

namespace {

constexpr int kTransmitRateHz = 32000;
constexpr int kSamplesPerBit31Baud = 1024;  // 32 ms
constexpr int kSamplesPerBit500Baud = 64;   // 2 ms
constexpr int kRingSize = 42;

struct BufferRing {
    std::vector<std::vector<std::int16_t>> storage;
    std::vector<OutputBuffer> buffers;

    BufferRing(int count, int samplesEach)
        : storage(static_cast<std::size_t>(count), std::vector<std::int16_t>(static_cast<std::size_t>(samplesEach))),
          buffers(static_cast<std::size_t>(count))
    {
        for (int i = 0; i < count; ++i) {
            auto& buffer = buffers[static_cast<std::size_t>(i)];
            buffer.samples = storage[static_cast<std::size_t>(i)].data();
            buffer.lengthBytes = samplesEach * 2;
            buffer.index = i;
        }
    }
    OutputBuffer& operator[](int i) { return buffers[static_cast<std::size_t>(i)]; }
};

// Prepares buffers 0..count-1 and queues them in that order, as the transmitter does.
void prepareAndQueue(PortAudioOutputDevice& device, BufferRing& ring, int count)
{
    for (int i = 0; i < count; ++i) {
        device.prepare(ring[i]);
        device.write(ring[i]);
    }
}

std::vector<std::string> doneEvents(int from, int to)
{
    std::vector<std::string> events;
    for (int i = from; i < to; ++i)
        events.push_back("done " + std::to_string(i));
    return events;
}

TEST(PortAudioOutputDevice, OpensAndClosesWithNotificationsThatFollowTheCalls)
{
    PortAudioOutputDevice device;
    OutputLog log;
    for (int round = 0; round < 2; ++round) {  // "Turn On" works again after a close
        log.events.clear();
        ASSERT_TRUE(device.open(kTransmitRateHz, log)) << device.lastErrorText();
        EXPECT_TRUE(log.events.empty()) << "the open notification must not arrive inside open()";
        ASSERT_TRUE(turnEventLoopUntil([&] { return log.opens == round + 1; }, 2000));
        std::printf("output device \"%s\", latency %.1f ms\n", device.deviceName().c_str(),
                    device.latencySeconds() * 1000.0);

        device.close();
        EXPECT_EQ(log.events, std::vector<std::string>{"open"}) << "the close notification is posted";
        ASSERT_TRUE(turnEventLoopUntil([&] { return log.closes == round + 1; }, 2000));
        EXPECT_EQ(log.events, (std::vector<std::string>{"open", "close"}));
    }
    device.close();  // closing a closed device does nothing
    turnEventLoopFor(50);
    EXPECT_EQ(log.closes, 2);
}

TEST(PortAudioOutputDevice, HandsBackEachBufferOnceInQueueOrderAtThePaceOfPlaying)
{
    constexpr int kBuffers = 12;  // 384 ms at "31 baud"
    PortAudioOutputDevice device;
    OutputLog log;
    BufferRing ring(kBuffers, kSamplesPerBit31Baud);
    ASSERT_TRUE(device.open(kTransmitRateHz, log)) << device.lastErrorText();
    ASSERT_TRUE(turnEventLoopUntil([&] { return log.opens == 1; }, 2000));

    QElapsedTimer clock;
    clock.start();
    prepareAndQueue(device, ring, kBuffers);
    ASSERT_TRUE(turnEventLoopUntil([&] { return log.dones == kBuffers; }, 3000));
    const auto elapsedMs = clock.elapsed();
    std::printf("%d buffers of 32 ms handed back after %lld ms\n", kBuffers, static_cast<long long>(elapsedMs));
    // The device plays them in real time; only its own latency may run ahead.
    EXPECT_GE(elapsedMs, kBuffers * 32 - 1000.0 * device.latencySeconds() - 40);

    auto expected = doneEvents(0, kBuffers);
    expected.insert(expected.begin(), "open");
    EXPECT_EQ(log.events, expected);
    device.close();
}

TEST(PortAudioOutputDevice, ResetHandsBackEveryQueuedBufferBeforeAnythingLater)
{
    constexpr int kBuffers = 20;  // 640 ms
    PortAudioOutputDevice device;
    OutputLog log;
    BufferRing ring(kBuffers, kSamplesPerBit31Baud);
    ASSERT_TRUE(device.open(kTransmitRateHz, log)) << device.lastErrorText();
    ASSERT_TRUE(turnEventLoopUntil([&] { return log.opens == 1; }, 2000));
    prepareAndQueue(device, ring, kBuffers);
    ASSERT_TRUE(turnEventLoopUntil([&] { return log.dones >= 1; }, 2000));
    const int playedBeforeReset = log.dones;
    ASSERT_LT(playedBeforeReset, kBuffers / 2);

    QElapsedTimer clock;
    clock.start();
    device.reset();
    device.write(ring[0]);  // queued after the reset: comes back after all of its returns
    ASSERT_TRUE(turnEventLoopUntil([&] { return log.dones == kBuffers; }, 1000));
    std::printf("reset handed back %d buffers within %lld ms\n", kBuffers - playedBeforeReset,
                static_cast<long long>(clock.elapsed()));
    EXPECT_LT(clock.elapsed(), 300) << "a reset returns the queue at once, not after playing its 600 ms";
    ASSERT_TRUE(turnEventLoopUntil([&] { return log.dones == kBuffers + 1; }, 1000));

    auto expected = doneEvents(0, kBuffers);
    expected.insert(expected.begin(), "open");
    expected.push_back("done 0");
    EXPECT_EQ(log.events, expected);

    device.close();
    ASSERT_TRUE(turnEventLoopUntil([&] { return log.closes == 1; }, 2000));
    EXPECT_EQ(log.events.back(), "close");
}

// The transmitter's own use: a preamble of 42 one-bit buffers at the open
// notification, each returned buffer refilled and queued again, then a stop (reset)
// and a close at the first buffer returned after it. At "500 baud" (2 ms buffers)
// this also shows whether the window thread keeps the queue filled.
TEST(PortAudioOutputDevice, TransmitCycleKeepsOpenDonesAndCloseInOrder)
{
    PortAudioOutputDevice device;
    OutputLog log;
    BufferRing ring(kRingSize, kSamplesPerBit500Baud);
    std::array<int, kRingSize> writes{};
    std::array<int, kRingSize> returns{};
    bool stopRequested = false;
    bool closed = false;
    int doneAfterClose = 0;
    int refills = 0;
    constexpr int kRefillsBeforeStop = 300;  // 0.6 s of bits

    log.whenDone = [&](OutputBuffer& buffer) {
        ++returns[static_cast<std::size_t>(buffer.index)];
        if (closed) {
            ++doneAfterClose;
            return;
        }
        if (stopRequested) {
            for (auto& b : ring.buffers)
                device.unprepare(b);
            device.close();
            closed = true;
            return;
        }
        ++refills;
        ++writes[static_cast<std::size_t>(buffer.index)];
        device.write(buffer);
    };

    ASSERT_TRUE(device.open(kTransmitRateHz, log)) << device.lastErrorText();
    for (auto& b : ring.buffers)
        device.prepare(b);
    ASSERT_TRUE(turnEventLoopUntil([&] { return log.opens == 1; }, 2000));
    for (int i = 0; i < kRingSize; ++i) {
        ++writes[static_cast<std::size_t>(i)];
        device.write(ring[i]);
    }
    ASSERT_TRUE(turnEventLoopUntil([&] { return refills >= kRefillsBeforeStop; }, 5000));
    stopRequested = true;
    device.reset();
    ASSERT_TRUE(turnEventLoopUntil([&] { return log.closes == 1; }, 2000));
    turnEventLoopFor(50);

    EXPECT_EQ(log.events.front(), "open");
    EXPECT_EQ(log.events.back(), "close");
    EXPECT_EQ(log.opens, 1);
    EXPECT_EQ(log.closes, 1);
    EXPECT_EQ(log.failures, 0) << "a close is no failure";
    EXPECT_EQ(writes, returns) << "every queued buffer comes back exactly once";
    EXPECT_EQ(doneAfterClose, kRingSize - 1) << "the rest of the reset's returns arrive before the close";
}

// The sound server drops our stream, as when it dies or the device goes away: the
// transmitter must learn of it, or it would wait for buffers with PTT keyed.
TEST(PortAudioOutputDevice, ReportsAStreamTheSoundSystemDropped)
{
    constexpr int kBuffers = 42;
    PortAudioOutputDevice device;
    OutputLog log;
    BufferRing ring(kBuffers, kSamplesPerBit31Baud);
    ASSERT_TRUE(device.open(kTransmitRateHz, log)) << device.lastErrorText();
    ASSERT_TRUE(turnEventLoopUntil([&] { return log.opens == 1; }, 2000));
    prepareAndQueue(device, ring, kBuffers);
    ASSERT_TRUE(turnEventLoopUntil([&] { return log.dones >= 2; }, 2000));

    // Our stream is the sink's only 32000 Hz input (the keep-alive plays 8000 Hz).
    QProcess list;
    list.start("pactl", {"list", "short", "sink-inputs"});
    ASSERT_TRUE(list.waitForFinished(5000));
    const QString inputs = QString::fromLocal8Bit(list.readAllStandardOutput());
    const auto match = QRegularExpression(R"(^(\d+)\s.*\b32000Hz\b)", QRegularExpression::MultilineOption).match(inputs);
    ASSERT_TRUE(match.hasMatch()) << inputs.toStdString();
    ASSERT_EQ(QProcess::execute("pacmd", {"kill-sink-input", match.captured(1)}), 0);

    ASSERT_TRUE(turnEventLoopUntil([&] { return log.failures == 1; }, 3000));
    const int returnedBeforeFailure = log.dones;
    turnEventLoopFor(200);
    EXPECT_EQ(log.dones, returnedBeforeFailure) << "a dropped stream plays nothing more";

    device.reset();  // what the transmitter's stop does: the queue comes back
    device.close();
    ASSERT_TRUE(turnEventLoopUntil([&] { return log.closes == 1; }, 2000));
    EXPECT_EQ(log.dones, kBuffers);
    EXPECT_EQ(log.failures, 1);
    auto expected = doneEvents(0, kBuffers);
    expected.insert(expected.begin() + returnedBeforeFailure, "failed");
    expected.insert(expected.begin(), "open");
    expected.push_back("close");
    EXPECT_EQ(log.events, expected);
}

}  // namespace
