// SPDX-License-Identifier: GPL-3.0-or-later
// The output device's finish() against a real PulseAudio server (run through
// tests/sound/with-sound-server.sh): the buffer in play is kept and played to its
// end, everything queued behind it comes back at once, and the tail follows the
// kept buffer, filled for it while the audio thread waits.

#include "platform/PortAudioOutputDevice.h"
#include "tests/platform/OutputLog.h"
#include "tests/platform/TurnEventLoop.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

constexpr int kRate = 32000;
constexpr int kSamples = 1024;  // one bit at 31 baud, 32 ms
constexpr int kBuffers = 20;

struct RecordingFiller : OutputTailFiller {
    int calls = 0;
    int playing = -2;  // the index the device named; -1 for none
    void fillTail(const OutputBuffer* buffer, OutputBuffer& tail) override
    {
        ++calls;
        playing = buffer != nullptr ? buffer->index : -1;
        for (int n = 0; n < tail.lengthBytes / 2; ++n)
            tail.samples[n] = 0;
    }
};

TEST(PortAudioOutputDevice, FinishKeepsTheBufferInPlayAndQueuesTheTailBehindIt)
{
    PortAudioOutputDevice device;
    OutputLog log;
    std::vector<std::vector<std::int16_t>> storage(kBuffers + 1, std::vector<std::int16_t>(kSamples, 0));
    std::vector<OutputBuffer> buffers(kBuffers + 1);
    for (int i = 0; i <= kBuffers; ++i) {
        buffers[static_cast<std::size_t>(i)].samples = storage[static_cast<std::size_t>(i)].data();
        buffers[static_cast<std::size_t>(i)].lengthBytes = 2 * kSamples;
        buffers[static_cast<std::size_t>(i)].index = i;
    }
    OutputBuffer& tail = buffers[kBuffers];
    tail.lengthBytes = 2 * 160;

    ASSERT_TRUE(device.open(kRate, log)) << device.lastErrorText();
    ASSERT_TRUE(turnEventLoopUntil([&] { return log.opens == 1; }, 2000));
    for (OutputBuffer& buffer : buffers)
        device.prepare(buffer);
    for (int i = 0; i < kBuffers; ++i)
        device.write(buffers[static_cast<std::size_t>(i)]);
    ASSERT_TRUE(turnEventLoopUntil([&] { return log.dones >= 2; }, 2000));

    RecordingFiller filler;
    device.finish(tail, filler);
    EXPECT_EQ(filler.calls, 1);
    const int playing = filler.playing;
    ASSERT_GE(playing, 2);
    ASSERT_LT(playing, kBuffers / 2);
    device.finish(tail, filler);  // finishing already: nothing more
    EXPECT_EQ(filler.calls, 1);

    ASSERT_TRUE(turnEventLoopUntil([&] { return log.dones == kBuffers + 1; }, 2000));
    // In play order up to the kept one's predecessors, then everything behind it at
    // once, then the kept one as it ends, then the tail.
    std::vector<std::string> expected{"open"};
    for (int i = 0; i < playing; ++i)
        expected.push_back("done " + std::to_string(i));
    for (int i = playing + 1; i < kBuffers; ++i)
        expected.push_back("done " + std::to_string(i));
    expected.push_back("done " + std::to_string(playing));
    expected.push_back("done " + std::to_string(kBuffers));
    EXPECT_EQ(log.events, expected);

    device.close();
    ASSERT_TRUE(turnEventLoopUntil([&] { return log.closes == 1; }, 2000));
}

}  // namespace
