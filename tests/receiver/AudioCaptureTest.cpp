// SPDX-License-Identifier: GPL-3.0-or-later
// The capture logic against a device the test clocks: the order of the device
// calls, every failure path with its message, the buffers' samples reaching the
// demodulator, pause and resume, and the release when the window closes.

#include "receiver/AudioCapture.h"
#include "tests/fakes/FakeAudioInputDevice.h"
#include "tests/fakes/FakeOperatorMessages.h"

#include <gtest/gtest.h>

#include <numeric>
#include <set>
#include <string>
#include <vector>

namespace {

struct FakeWindow : CaptureWindow {
    std::vector<std::string> events;
    AudioCapture* capture = nullptr;
    bool startEnabled = true;
    std::string caption = "Stop";
    bool closed = false;

    void DisableStartButton() override
    {
        startEnabled = false;
        events.push_back("disableStart");
    }
    void EnableStartButton() override
    {
        startEnabled = true;
        events.push_back("enableStart");
    }
    void SetToggleCaption(const char* text) override
    {
        caption = text;
        events.push_back(std::string("caption:") + text);
    }
    // As the receiver window does: closing releases the capture device.
    void CloseWindow() override
    {
        events.push_back("close");
        closed = true;
        if (capture)
            capture->CloseCapture();
    }
};

struct CollectingSink : SampleSink {
    std::vector<std::int16_t> samples;
    void DemodulateSample(std::int16_t x) override { samples.push_back(x); }
};

int blocksMade = 0;
int blocksFreed = 0;
int failAtBlock = 0;  // 1-based; 0 never fails

std::int16_t* CountingAllocate(std::size_t samples)
{
    if (++blocksMade == failAtBlock)
        return nullptr;
    return new std::int16_t[samples]();
}

void CountingRelease(std::int16_t* block)
{
    ++blocksFreed;
    delete[] block;
}

std::vector<std::int16_t> Ramp(int n, int from)
{
    std::vector<std::int16_t> v(static_cast<std::size_t>(n));
    std::iota(v.begin(), v.end(), static_cast<std::int16_t>(from));
    return v;
}

const std::string kAllocText = "Can\xC2\xB4t alloc Buffers";  // with U+00B4, as UTF-8

class AudioCaptureTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        blocksMade = blocksFreed = failAtBlock = 0;
        capture.setBlockAllocator(CountingAllocate, CountingRelease);
        window.capture = &capture;
    }

    std::vector<std::string> callsAfter(std::size_t from) const
    {
        return {device.calls.begin() + static_cast<std::ptrdiff_t>(from), device.calls.end()};
    }

    FakeAudioInputDevice device;
    FakeWindow window;
    FakeOperatorMessages messages;
    CollectingSink sink;
    AudioCapture capture{device, window, messages, sink};
};

const std::vector<std::string> kStartCalls = {
    "open",      "prepare:1", "addBuffer:1", "prepare:2", "addBuffer:2", "prepare:3", "addBuffer:3",
    "prepare:4", "addBuffer:4", "prepare:5", "addBuffer:5", "prepare:6", "addBuffer:6", "prepare:7",
    "addBuffer:7", "prepare:8", "addBuffer:8", "start"};

const std::vector<std::string> kCloseCalls = {
    "stop", "reset", "unprepare:1", "unprepare:2", "unprepare:3", "unprepare:4",
    "unprepare:5", "unprepare:6", "unprepare:7", "unprepare:8", "close"};

TEST_F(AudioCaptureTest, StartOpensAt8000QueuesEightZeroedBuffersAndDisablesStart)
{
    ASSERT_TRUE(capture.StartCapture());
    EXPECT_EQ(device.calls, kStartCalls);
    EXPECT_EQ(device.openedRate, 8000);
    EXPECT_EQ(window.events, std::vector<std::string>{"disableStart"});
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(capture.running(), 1);
    EXPECT_EQ(blocksMade, 8);
    for (int i = 0; i < 8; ++i) {
        const CaptureBuffer& h = capture.header(i);
        EXPECT_EQ(h.index, i + 1);
        EXPECT_EQ(h.lengthBytes, 512);
        ASSERT_NE(h.data, nullptr);
        for (int s = 0; s < 256; ++s)
            ASSERT_EQ(h.data[s], 0);
    }
}

TEST_F(AudioCaptureTest, NoDeviceShowsItsTextAndClosesTheWindow)
{
    device.failCall("open", 2);
    EXPECT_FALSE(capture.StartCapture());
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].title, "MSK receiver");
    EXPECT_EQ(messages.shown[0].text, "No suitable device found");
    EXPECT_EQ(messages.shown[0].icon, MessageIcon::None);
    EXPECT_EQ(window.events, std::vector<std::string>{"close"});
    EXPECT_EQ(device.calls, std::vector<std::string>{"open"});
    EXPECT_EQ(blocksMade, 0);
}

TEST_F(AudioCaptureTest, FailedAllocationShowsItsTextAndFreesTheBlocksMadeOnClose)
{
    failAtBlock = 3;
    EXPECT_FALSE(capture.StartCapture());
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, kAllocText);
    EXPECT_EQ(messages.shown[0].title, "MSK receiver");
    EXPECT_TRUE(window.closed);
    EXPECT_TRUE(window.startEnabled);
    // Nothing queued; the open device is released and the two blocks made freed.
    std::vector<std::string> expected{"open"};
    expected.insert(expected.end(), kCloseCalls.begin(), kCloseCalls.end());
    EXPECT_EQ(device.calls, expected);
    EXPECT_EQ(blocksMade, 3);
    EXPECT_EQ(blocksFreed, 2);
}

TEST_F(AudioCaptureTest, QueueingFailuresShowThePlatformTextAndStopAtOnce)
{
    struct Case {
        const char* call;
        int nth;
        std::string lastCall;
    };
    for (const Case& c : {Case{"prepare", 5, "prepare:5"}, Case{"addBuffer", 3, "addBuffer:3"}}) {
        SCOPED_TRACE(c.call);
        FakeAudioInputDevice dev;
        FakeWindow win;
        FakeOperatorMessages msgs;
        AudioCapture cap(dev, win, msgs, sink);
        win.capture = &cap;
        dev.failCall(c.call, 7, c.nth);
        EXPECT_FALSE(cap.StartCapture());
        ASSERT_EQ(msgs.shown.size(), 1u);
        EXPECT_EQ(msgs.shown[0].text, "fake device error 7");
        EXPECT_EQ(msgs.shown[0].title, "MSK receiver");
        EXPECT_EQ(win.events, std::vector<std::string>{"close"});
        // Later headers are neither prepared nor queued, and recording never starts.
        const auto lastQueued = std::find(dev.calls.begin(), dev.calls.end(), c.lastCall);
        ASSERT_NE(lastQueued, dev.calls.end());
        EXPECT_EQ(*(lastQueued + 1), "stop");
        EXPECT_EQ(dev.count("start"), 0);
        EXPECT_EQ(dev.calls.back(), "close");
        EXPECT_FALSE(dev.isOpen);
    }
}

TEST_F(AudioCaptureTest, FailedStartShowsThePlatformTextAndClosesTheWindow)
{
    device.failCall("start", 9);
    EXPECT_FALSE(capture.StartCapture());
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, "fake device error 9");
    EXPECT_EQ(window.events, std::vector<std::string>{"close"});
    EXPECT_FALSE(device.isOpen);
    EXPECT_EQ(blocksFreed, 8);
}

TEST(AudioCaptureErrorText, CutTo126CharactersWithoutSplittingOne)
{
    EXPECT_EQ(AudioCapture::ShortErrorText("Invalid device"), "Invalid device");
    EXPECT_EQ(AudioCapture::ShortErrorText(std::string(126, 'x')), std::string(126, 'x'));
    EXPECT_EQ(AudioCapture::ShortErrorText(std::string(200, 'x')), std::string(126, 'x'));
    // 125 ASCII letters then two-byte characters: the 126th is kept whole.
    const std::string umlauts = std::string(125, 'a') + "\xC3\xA4\xC3\xB6\xC3\xBC";
    EXPECT_EQ(AudioCapture::ShortErrorText(umlauts), std::string(125, 'a') + "\xC3\xA4");
    EXPECT_EQ(AudioCapture::ShortErrorText(""), "");
}

TEST_F(AudioCaptureTest, LongPlatformTextIsCutInTheBox)
{
    device.errorTextFor = std::string(300, 'e');
    device.failCall("start", 1);
    capture.StartCapture();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, std::string(126, 'e'));
}

TEST_F(AudioCaptureTest, ReturnedBufferPassesHalfItsByteCountInOrderAndIsRequeued)
{
    ASSERT_TRUE(capture.StartCapture());
    struct Case {
        int bytes;
        std::size_t samples;
    };
    // Full, partly filled, odd, empty, and counts a device should never report.
    const Case cases[] = {{512, 256}, {100, 50}, {101, 50}, {0, 0}, {2, 1}, {4096, 256}, {-6, 0}};
    int from = 1;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes);
        sink.samples.clear();
        const std::vector<std::int16_t> ramp = Ramp(256, from);
        CaptureBuffer* buffer = device.queued.front();
        const std::size_t before = device.calls.size();
        ASSERT_TRUE(device.fill(ramp, c.bytes));
        EXPECT_EQ(device.deliver(), 1);
        EXPECT_EQ(sink.samples, std::vector<std::int16_t>(ramp.begin(), ramp.begin() + static_cast<std::ptrdiff_t>(c.samples)));
        const std::string n = std::to_string(buffer->index);
        EXPECT_EQ(callsAfter(before), (std::vector<std::string>{"prepare:" + n, "addBuffer:" + n}));
        EXPECT_EQ(device.queued.back(), buffer);
        EXPECT_EQ(device.queued.size(), 8u);
        from += 300;
    }
    EXPECT_EQ(blocksMade, 8);  // nothing allocated per buffer
}

TEST_F(AudioCaptureTest, PausedBufferPassesOnlyWhatWasRecordedNotItsOlderSamples)
{
    ASSERT_TRUE(capture.StartCapture());
    // Let all eight buffers fill once with older samples.
    for (int i = 0; i < 8; ++i) {
        device.fill(std::vector<std::int16_t>(256, 1111), 512);
        device.deliver();
    }
    sink.samples.clear();
    device.pauseSamples = Ramp(40, -20);
    device.pauseBytes = 2 * 40;
    capture.ToggleCapture();
    EXPECT_EQ(device.calls.back(), "stop");
    EXPECT_EQ(device.deliver(), 1);
    EXPECT_EQ(sink.samples, Ramp(40, -20));
}

TEST_F(AudioCaptureTest, PauseAndResumeKeepAllEightBuffersCirculating)
{
    ASSERT_TRUE(capture.StartCapture());
    device.pauseBytes = 0;
    for (int round = 0; round < 3; ++round) {
        capture.ToggleCapture();
        EXPECT_EQ(window.caption, "Start");
        EXPECT_EQ(capture.running(), 0);
        EXPECT_EQ(device.calls.back(), "stop");
        device.deliver();
        capture.ToggleCapture();
        EXPECT_EQ(window.caption, "Stop");
        EXPECT_EQ(capture.running(), 1);
        EXPECT_EQ(device.calls.back(), "start");
    }
    // Sixteen more buffers come back: the same eight, twice round, in order.
    std::set<CaptureBuffer*> seen;
    std::vector<int> order;
    for (int i = 0; i < 16; ++i) {
        seen.insert(device.queued.front());
        order.push_back(device.queued.front()->index);
        ASSERT_TRUE(device.fill(Ramp(256, i), 512));
        device.deliver();
    }
    EXPECT_EQ(seen.size(), 8u);
    EXPECT_EQ(device.queued.size(), 8u);
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(order[static_cast<std::size_t>(i)], order[static_cast<std::size_t>(i + 8)]);
    EXPECT_EQ(blocksMade, 8);
}

TEST_F(AudioCaptureTest, ToggleBeforeStartOnlyFlipsTheCaption)
{
    capture.ToggleCapture();
    EXPECT_EQ(window.caption, "Start");
    EXPECT_EQ(capture.running(), 0);
    capture.ToggleCapture();
    EXPECT_EQ(window.caption, "Stop");
    EXPECT_EQ(capture.running(), 1);
    EXPECT_TRUE(device.calls.empty());
    EXPECT_EQ(window.events, (std::vector<std::string>{"caption:Start", "caption:Stop"}));
}

TEST_F(AudioCaptureTest, StartWhilePausedRecordsAndTheNextToggleShowsStop)
{
    capture.ToggleCapture();  // paused before any device
    ASSERT_TRUE(capture.StartCapture());
    EXPECT_EQ(device.calls, kStartCalls);
    EXPECT_TRUE(device.recording);
    EXPECT_EQ(window.caption, "Start");
    EXPECT_EQ(capture.running(), 0);
    capture.ToggleCapture();
    EXPECT_EQ(window.caption, "Stop");
    EXPECT_EQ(capture.running(), 1);
    EXPECT_EQ(device.calls.back(), "start");
}

TEST_F(AudioCaptureTest, FailedPauseOrResumeStillFlipsCaptionAndState)
{
    ASSERT_TRUE(capture.StartCapture());
    device.failCall("stop", 4);
    capture.ToggleCapture();
    EXPECT_EQ(window.caption, "Start");
    EXPECT_EQ(capture.running(), 0);
    device.failCall("start", 4);
    capture.ToggleCapture();
    EXPECT_EQ(window.caption, "Stop");
    EXPECT_EQ(capture.running(), 1);
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_FALSE(window.closed);
}

TEST_F(AudioCaptureTest, FailedRequeueShowsThePlatformTextAndClosesTheWindow)
{
    ASSERT_TRUE(capture.StartCapture());
    device.failCall("addBuffer", 5);
    device.fill(Ramp(256, 0), 512);
    device.deliver();
    EXPECT_EQ(sink.samples.size(), 256u);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, "fake device error 5");
    EXPECT_TRUE(window.closed);
    EXPECT_FALSE(device.isOpen);
    EXPECT_EQ(blocksFreed, 8);
}

TEST_F(AudioCaptureTest, CloseReleasesInOrderOnceAndDropsLaterBuffers)
{
    ASSERT_TRUE(capture.StartCapture());
    device.fill(Ramp(256, 0), 512);  // returned but not yet delivered
    sink.samples.clear();
    const std::size_t before = device.calls.size();
    capture.CloseCapture();
    EXPECT_EQ(callsAfter(before), kCloseCalls);
    EXPECT_EQ(blocksFreed, 8);
    EXPECT_FALSE(capture.deviceOpen());
    // Notifications still on their way are neither processed nor queued again.
    EXPECT_EQ(device.deliver(), 8);
    EXPECT_TRUE(sink.samples.empty());
    EXPECT_EQ(device.calls.size(), before + kCloseCalls.size());
    capture.CloseCapture();
    EXPECT_EQ(device.calls.size(), before + kCloseCalls.size());
    EXPECT_EQ(blocksFreed, 8);
}

TEST_F(AudioCaptureTest, CloseBeforeStartTouchesNoDevice)
{
    capture.CloseCapture();
    EXPECT_TRUE(device.calls.empty());
}

TEST_F(AudioCaptureTest, FailedReleaseStepsDoNotStopTheOthers)
{
    ASSERT_TRUE(capture.StartCapture());
    device.failCall("stop", 1);
    device.failCall("reset", 1);
    device.failCall("unprepare", 1);
    const std::size_t before = device.calls.size();
    capture.CloseCapture();
    EXPECT_EQ(callsAfter(before), kCloseCalls);
    EXPECT_EQ(blocksFreed, 8);
    EXPECT_TRUE(messages.shown.empty());
}

}  // namespace
