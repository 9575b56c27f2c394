// SPDX-License-Identifier: GPL-3.0-or-later
// The transmit lifecycle against a device, PTT and window the test clocks.

#include "modem/transmit/MskSynthesizer.h"
#include "modem/transmit/TransmitPreamble.h"
#include "modem/transmit/TxBitQueue.h"
#include "tests/fakes/FakeAudioOutputDevice.h"
#include "tests/fakes/FakeOperatorMessages.h"
#include "tests/transmitter/FakePttKeyer.h"
#include "tests/transmitter/FakeWindowControls.h"
#include "tests/transmitter/RecordingStatus.h"
#include "tests/transmitter/StringTextSource.h"
#include "tools/ModemEncode.h"
#include "transmitter/TxAudioStream.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <utility>

namespace {

constexpr std::size_t kBuffers = TxAudioStream::kBufferCount;

// Everything a stream talks to, with one shared event log.
struct StreamParts {
    std::vector<std::string> log;
    FakeAudioOutputDevice device{&log};
    StringTextSource text;
    RecordingStatus status;
    TxBitQueue queue{text, status};
    MskSynthesizer synthesizer;
    FakePttKeyer ptt{&log};
    FakeWindowControls window{&log};
    FakeOperatorMessages messages;
};

class TxAudioStreamTest : public ::testing::Test, protected StreamParts {
protected:
    TxAudioStream stream{device, queue, synthesizer, ptt, window, messages};

    void TearDown() override
    {
        for (const std::string& fault : device.faults)
            ADD_FAILURE() << "device misuse: " << fault;
    }

    void startSending()
    {
        stream.toggle();
        device.deliverOpen();
    }

    std::size_t indexOf(const std::string& event) const
    {
        return static_cast<std::size_t>(std::find(log.begin(), log.end(), event) - log.begin());
    }

    void expectIdle()
    {
        EXPECT_FALSE(stream.deviceHeld());
        EXPECT_EQ(window.toggleText, "Turn On");
        EXPECT_TRUE(window.pttButtonEnabled);
        EXPECT_TRUE(window.modeOptionsEnabled);
        EXPECT_FALSE(ptt.keyed);
    }
};

TEST_F(TxAudioStreamTest, WalksThroughTheStatesOfATransmission)
{
    expectIdle();

    stream.toggle();  // Opening
    EXPECT_TRUE(stream.deviceHeld());
    EXPECT_FALSE(stream.stopRequested());
    EXPECT_EQ(window.toggleText, "Turn On");
    EXPECT_FALSE(window.pttButtonEnabled);
    EXPECT_FALSE(window.modeOptionsEnabled);
    EXPECT_TRUE(ptt.keyed);
    EXPECT_EQ(device.calls.front(), "open 32000");
    EXPECT_EQ(device.count("write 0"), 0u);

    device.deliverOpen();  // Sending
    EXPECT_TRUE(stream.deviceHeld());
    EXPECT_FALSE(stream.stopRequested());
    EXPECT_EQ(window.toggleText, "Turn Off");
    EXPECT_FALSE(window.pttButtonEnabled);
    EXPECT_TRUE(ptt.keyed);
    EXPECT_EQ(device.queued.size(), kBuffers);

    device.playAndReturn(100);
    EXPECT_EQ(device.queued.size(), kBuffers);

    stream.toggle();  // Stopping: the bit in play, then the fall
    EXPECT_TRUE(stream.deviceHeld());
    EXPECT_TRUE(stream.stopRequested());
    EXPECT_EQ(window.toggleText, "Turn Off");
    EXPECT_TRUE(window.pttButtonEnabled);
    EXPECT_FALSE(window.modeOptionsEnabled);  // the speed waits for the close
    EXPECT_TRUE(ptt.keyed);                    // until the fall has played
    ASSERT_EQ(device.queued.size(), 2u);
    EXPECT_EQ(device.queued.back()->index, TxAudioStream::kTailIndex);

    device.deliverDone();  // the 41 cut buffers take no bit and close nothing
    EXPECT_EQ(device.closes, 0);
    device.playAndReturn(1);  // the last bit
    EXPECT_EQ(device.closes, 0);
    EXPECT_TRUE(ptt.keyed);
    device.playAndReturn(1);  // the fall: PTT drops and the device closes
    EXPECT_FALSE(ptt.keyed);
    EXPECT_EQ(device.closes, 1);
    EXPECT_TRUE(stream.deviceHeld());
    EXPECT_EQ(window.toggleText, "Turn Off");
    device.deliverClose();
    expectIdle();
    EXPECT_FALSE(stream.closeRequested());
    EXPECT_EQ(window.ends, 0);
    EXPECT_EQ(device.count("unprepare 41"), 1u);
}

TEST_F(TxAudioStreamTest, ClosingTheWindowWhileSendingWaitsForTheDeviceThenReleasesPtt)
{
    startSending();
    device.playAndReturn(10);
    stream.requestClose();  // Closing the window
    EXPECT_TRUE(stream.deviceHeld());
    EXPECT_TRUE(stream.stopRequested());
    EXPECT_TRUE(stream.closeRequested());
    EXPECT_EQ(window.toggleText, "Turn Off");
    EXPECT_FALSE(window.pttButtonEnabled);
    EXPECT_TRUE(ptt.keyed);  // until the device has let go
    EXPECT_EQ(device.finishes, 1);
    EXPECT_EQ(window.ends, 0);

    device.deliverDone();
    device.play(2);  // the last bit and the fall
    device.deliverDone();
    EXPECT_EQ(window.ends, 0);  // the window stays until the close notification
    device.deliverClose();
    EXPECT_EQ(window.ends, 1);
    EXPECT_FALSE(ptt.keyed);
    EXPECT_LT(indexOf("ptt release"), indexOf("end window"));
    EXPECT_EQ(device.closes, 1);
}

TEST_F(TxAudioStreamTest, ClosingTheWindowWhileIdleEndsAtOnce)
{
    stream.requestClose();
    EXPECT_EQ(window.ends, 1);
    EXPECT_TRUE(device.calls.empty());

    // And after a transmission has come and gone.
    window.ends = 0;
    startSending();
    stream.toggle();
    device.deliverAll();
    stream.requestClose();
    EXPECT_EQ(window.ends, 1);
    EXPECT_EQ(device.opens, 1);
}

TEST_F(TxAudioStreamTest, KeysPttBeforeTheFirstBufferIsQueuedAndReleasesOnceTheFallHasPlayed)
{
    startSending();
    EXPECT_EQ(log[0], "audio open 32000");
    for (std::size_t i = 0; i < kBuffers; ++i)  // the 42 bits
        EXPECT_EQ(log[1 + i], "audio prepare " + std::to_string(i));
    EXPECT_EQ(log[1 + kBuffers], "audio prepare " + std::to_string(TxAudioStream::kTailIndex));  // the fall
    EXPECT_EQ(log[2 + kBuffers], "ptt key");
    EXPECT_EQ(log[3 + kBuffers], "toggle Turn Off");
    EXPECT_EQ(log[4 + kBuffers], "audio write 0");
    EXPECT_LT(indexOf("ptt key"), indexOf("audio write 0"));

    device.playAndReturn(5);
    stream.toggle();
    device.deliverDone();
    device.play(2);
    device.deliverDone(1);
    EXPECT_EQ(ptt.releases, 0);
    device.deliverDone(1);  // the fall is back
    const std::size_t release = indexOf("ptt release");
    ASSERT_LT(release, log.size());
    // Nothing else was queued after the fall.
    EXPECT_EQ(log[release - 1], "audio write " + std::to_string(TxAudioStream::kTailIndex));
    EXPECT_LT(release, indexOf("audio close"));
}

TEST_F(TxAudioStreamTest, TheFallIsFollowedBySilenceAsLongAsTheSoundSystemsLatency)
{
    // PTT drops when the fall's buffer comes back, which is when its last sample
    // went to the sound system; the silence behind it makes that the moment the
    // fall has been heard. 12.5 ms at 32000/s is 400 samples.
    device.latency = 0.0125;
    startSending();
    device.playAndReturn(3);
    stream.toggle();
    ASSERT_EQ(device.written.back().size(), 160u + 400u);
    EXPECT_NE(device.written.back()[0], 0);
    EXPECT_TRUE(std::all_of(device.written.back().begin() + 160, device.written.back().end(),
                            [](std::int16_t s) { return s == 0; }));
    device.deliverAll();
    expectIdle();

    // Beyond half a second the silence stops growing.
    device.latency = 2.0;
    startSending();
    stream.toggle();
    EXPECT_EQ(device.written.back().size(), 160u + 16000u);
    device.deliverAll();
}

TEST_F(TxAudioStreamTest, ASecondTurnOffWhileTheFallPlaysCutsAndReleasesAtOnce)
{
    startSending();
    stream.toggle();
    stream.toggle();  // before any buffer came back
    EXPECT_EQ(ptt.releases, 1);
    EXPECT_FALSE(ptt.keyed);
    EXPECT_EQ(device.resets, 1);
    EXPECT_TRUE(device.queued.empty());
    EXPECT_TRUE(stream.deviceHeld());
    device.deliverAll();
    EXPECT_EQ(device.closes, 1);
    EXPECT_EQ(std::count(window.toggleTexts.begin(), window.toggleTexts.end(), "Turn On"), 1);
    expectIdle();
}

TEST_F(TxAudioStreamTest, ATogglePastTheCloseStillReleasesButLeavesTheClosedDeviceAlone)
{
    startSending();
    stream.toggle();
    device.deliverDone();
    device.play(2);
    device.deliverDone();  // the fall is back: closes
    EXPECT_EQ(device.closes, 1);
    const std::size_t callsAtClose = device.calls.size();
    stream.toggle();  // the button still reads "Turn Off"
    EXPECT_EQ(ptt.releases, 2);
    EXPECT_EQ(device.calls.size(), callsAtClose);  // no reset of a closed device
    device.deliverClose();
    EXPECT_EQ(device.closes, 1);
    EXPECT_EQ(std::count(window.toggleTexts.begin(), window.toggleTexts.end(), "Turn On"), 1);
    expectIdle();
}

TEST_F(TxAudioStreamTest, AFailedOpenWarnsAndLeavesEverythingAsItWas)
{
    device.failOpen = true;
    stream.toggle();
    EXPECT_FALSE(stream.deviceHeld());
    ASSERT_EQ(messages.events.size(), 2u);
    EXPECT_EQ(messages.events[0], "beep");
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, "Error opening waveform audio device!");
    EXPECT_EQ(messages.shown[0].title, "MSK transmitter");
    EXPECT_EQ(messages.shown[0].icon, MessageIcon::Exclamation);
    EXPECT_EQ(ptt.keys, 0);
    EXPECT_EQ(device.calls, std::vector<std::string>{"open 32000"});
    expectIdle();

    // The operator can try again once the sound card is back.
    device.failOpen = false;
    startSending();
    EXPECT_EQ(window.toggleText, "Turn Off");
    EXPECT_EQ(ptt.keys, 1);
}

// The failure box has no owner, so the window stays usable while it is up.
struct ReenteringMessages : FakeOperatorMessages {
    std::function<void()> whileShown;
    void showMessage(const std::string& title, const std::string& text, MessageIcon icon) override
    {
        FakeOperatorMessages::showMessage(title, text, icon);
        if (whileShown)
            std::exchange(whileShown, nullptr)();
    }
};

TEST(TxAudioStreamReentry, AStartFromBehindTheFailureBoxKeepsTheControlsLocked)
{
    std::vector<std::string> log;
    FakeAudioOutputDevice device(&log);
    StringTextSource text;
    RecordingStatus status;
    TxBitQueue queue(text, status);
    MskSynthesizer synthesizer;
    FakePttKeyer ptt(&log);
    FakeWindowControls window(&log);
    ReenteringMessages messages;
    TxAudioStream stream(device, queue, synthesizer, ptt, window, messages);

    device.failOpen = true;
    messages.whileShown = [&] {
        device.failOpen = false;
        stream.toggle();  // "Turn On" again while the box is up; this time it opens
    };
    stream.toggle();
    EXPECT_TRUE(stream.deviceHeld());
    EXPECT_FALSE(window.pttButtonEnabled);
    EXPECT_FALSE(window.modeOptionsEnabled);
    EXPECT_TRUE(ptt.keyed);
    device.deliverOpen();
    EXPECT_EQ(window.toggleText, "Turn Off");
    EXPECT_TRUE(device.faults.empty());
}

TEST_F(TxAudioStreamTest, EachReturnedBufferTakesExactlyOneBit)
{
    startSending();
    EXPECT_EQ(queue.readPos(), 0);  // the preamble takes nothing from the queue
    device.playAndReturn(1);
    EXPECT_EQ(queue.readPos(), 1);
    device.playAndReturn(57);
    EXPECT_EQ(queue.readPos(), 58);

    // Several buffers back at once, as after a stall.
    device.play(30);
    device.deliverDone(30);
    EXPECT_EQ(queue.readPos(), 88);
    EXPECT_EQ(device.queued.size(), kBuffers);

    // Buffers cut by a stop take nothing.
    stream.toggle();
    device.deliverAll();
    EXPECT_EQ(queue.readPos(), 88);
}

TEST_F(TxAudioStreamTest, OpensWithFortyOnesAndTwoZerosUnderTheRise)
{
    startSending();
    ASSERT_EQ(device.written.size(), kBuffers);
    MskSynthesizer expected;
    expected.startRise();
    std::vector<std::int16_t> samples(TxAudioStream::kBufferSamples);
    for (std::size_t i = 0; i < kBuffers; ++i) {
        expected.fillBit(samples.data(), i < 40 ? 1 : 0);
        EXPECT_EQ(device.written[i], std::vector<std::int16_t>(samples.begin(), samples.begin() + 1024)) << i;
        EXPECT_EQ(device.calls[2 + kBuffers + i], "write " + std::to_string(i));
    }
}

// The signal of a freshly started transmitter for text typed before "Turn On" is
// exactly what msk-modem encode produces for that text, buffer for buffer.
class FreshTransmission : public TxAudioStreamTest, public ::testing::WithParamInterface<int> {};

TEST_P(FreshTransmission, MatchesTheHeadlessEncoder)
{
    const int samplesPerBit = GetParam();
    text.bytes = modem::entryTextFromUtf8("CQ de DL0ABC\nok? \xE2\x82\xAC 73");
    synthesizer.setSamplesPerBit(samplesPerBit);
    const std::vector<std::int16_t> reference = modem::encodeTransmission(text.bytes, samplesPerBit, 2);
    const std::size_t perBit = static_cast<std::size_t>(samplesPerBit);
    const std::size_t fall = TxAudioStream::kTailSamples;  // after the last bit
    ASSERT_EQ((reference.size() - fall) % perBit, 0u);
    const std::size_t bits = (reference.size() - fall) / perBit;

    startSending();
    EXPECT_EQ(stream.bufferBytes(), 2 * samplesPerBit);
    // At the faster speeds half a second of bits is in flight, more than the
    // whole transmission here: then nothing needs to play before the comparison.
    const auto inFlight = static_cast<std::size_t>(stream.bufferCount());
    const std::size_t first = bits > inFlight ? bits - inFlight : 0;
    device.playAndReturn(first);
    ASSERT_GE(device.written.size(), bits);
    for (std::size_t b = 0; b < bits; ++b) {
        ASSERT_EQ(device.written[b].size(), perBit);
        const std::vector<std::int16_t> want(reference.begin() + static_cast<std::ptrdiff_t>(b * perBit),
                                            reference.begin() + static_cast<std::ptrdiff_t>((b + 1) * perBit));
        ASSERT_EQ(device.written[b], want) << "buffer " << b;
    }

    // Turned off while the last of those bits plays, the transmitter ends as the
    // encoder does: that bit, then the same fall.
    device.playAndReturn(bits - 1 - first);
    ASSERT_EQ(device.written.size(), bits - 1 + inFlight);
    stream.toggle();
    ASSERT_EQ(device.queued.size(), 2u);
    const std::vector<std::int16_t> wantFall(reference.end() - static_cast<std::ptrdiff_t>(fall), reference.end());
    EXPECT_EQ(device.written.back(), wantFall);
}

INSTANTIATE_TEST_SUITE_P(AllSpeeds, FreshTransmission, ::testing::Values(1024, 512, 256, 128, 64));

TEST_F(TxAudioStreamTest, AnEmptyEntrySendsThePreambleThenIdleUnits)
{
    std::vector<std::int16_t> reference = modem::encodeTransmission("", 1024, 6);
    reference.resize(reference.size() - TxAudioStream::kTailSamples);  // the fall comes with a stop
    const std::size_t bits = reference.size() / 1024;  // 42 + 1 + 6 x 12
    startSending();
    device.playAndReturn(bits - kBuffers);
    std::vector<std::int16_t> played;
    for (std::size_t b = 0; b < bits; ++b)
        played.insert(played.end(), device.written[b].begin(), device.written[b].end());
    EXPECT_EQ(played, reference);
    EXPECT_EQ(queue.textTaken(), 0);
}

TEST_F(TxAudioStreamTest, ASpeedChosenBeforeTurnOnSetsTheBufferLength)
{
    synthesizer.setSamplesPerBit(64);
    startSending();
    EXPECT_EQ(stream.bufferBytes(), 128);
    device.playAndReturn(3);
    for (const auto& buffer : device.written)
        EXPECT_EQ(buffer.size(), 64u);
}

TEST_F(TxAudioStreamTest, ARestartSendsAFreshPreambleAndCarriesOnWithTheQueue)
{
    text.bytes = "hello world";
    startSending();
    device.playAndReturn(20);
    const std::int64_t taken = queue.textTaken();
    const std::int64_t readPos = queue.readPos();
    const double phase = synthesizer.phase();
    stream.toggle();
    device.deliverAll();
    EXPECT_EQ(synthesizer.phase(), phase);  // the cut bits are lost, nothing rewinds

    const std::size_t before = device.written.size();
    startSending();
    EXPECT_EQ(device.written.size(), before + kBuffers);
    EXPECT_EQ(queue.readPos(), readPos);
    device.playAndReturn(1);
    EXPECT_EQ(queue.readPos(), readPos + 1);
    EXPECT_GE(queue.textTaken(), taken);
    EXPECT_EQ(device.opens, 2);

    // The new preamble continues the waveform from where the last fill left it.
    MskSynthesizer fresh;
    std::vector<std::int16_t> firstBit(1024);
    fresh.fillBit(firstBit.data(), 1);
    EXPECT_NE(device.written[before], firstBit);
}

TEST_F(TxAudioStreamTest, AStopBeforeTheDeviceReportsOpenClosesWithoutQueueing)
{
    stream.toggle();  // Opening
    stream.toggle();  // stopped before the open notification
    EXPECT_EQ(ptt.releases, 1);
    EXPECT_TRUE(window.pttButtonEnabled);
    device.deliverOpen();
    EXPECT_EQ(device.count("write 0"), 0u);
    EXPECT_EQ(device.closes, 1);
    device.deliverClose();
    expectIdle();
    EXPECT_EQ(queue.readPos(), 0);
}

TEST_F(TxAudioStreamTest, ClosingTheWindowWhileOpeningEndsOnceTheDeviceHasClosed)
{
    stream.toggle();
    stream.requestClose();
    EXPECT_EQ(window.ends, 0);
    device.deliverAll();
    EXPECT_EQ(device.closes, 1);
    EXPECT_EQ(window.ends, 1);
    EXPECT_FALSE(ptt.keyed);
}

TEST_F(TxAudioStreamTest, ClosingTheWindowWhileStoppingEndsItAtTheClose)
{
    startSending();
    stream.toggle();
    stream.requestClose();
    EXPECT_TRUE(stream.closeRequested());
    device.deliverAll();
    EXPECT_EQ(device.closes, 1);
    EXPECT_EQ(window.ends, 1);
    EXPECT_FALSE(ptt.keyed);
}

TEST_F(TxAudioStreamTest, ADroppedStreamEndsTheTransmissionAndReleasesPtt)
{
    startSending();
    device.playAndReturn(12);
    device.deliverFailure();
    EXPECT_FALSE(ptt.keyed);
    EXPECT_TRUE(window.pttButtonEnabled);
    EXPECT_EQ(device.closes, 1);  // without waiting for a buffer that may never come
    const std::size_t reset = indexOf("audio reset");
    EXPECT_EQ(log.at(reset + 1), "ptt release");
    const std::int64_t readPos = queue.readPos();
    device.deliverClose();
    expectIdle();
    EXPECT_EQ(queue.readPos(), readPos);  // the handed-back buffers take no bits
    EXPECT_EQ(device.closes, 1);

    // The operator can start again.
    startSending();
    EXPECT_EQ(window.toggleText, "Turn Off");
    EXPECT_TRUE(ptt.keyed);
}

TEST_F(TxAudioStreamTest, ADroppedStreamWhileTheWindowClosesStillEndsIt)
{
    startSending();
    stream.requestClose();
    device.deliverFailure();
    device.deliverAll();
    EXPECT_EQ(device.closes, 1);
    EXPECT_EQ(window.ends, 1);
    EXPECT_FALSE(ptt.keyed);
    EXPECT_TRUE(messages.shown.empty());  // no box holds up a closing window
}

// The window and its stream can go while the device still plays (the event loop
// ended in the middle of a transmission): the device must not keep buffers whose
// storage goes with the stream, and the radio must not stay keyed behind it.
TEST(TxAudioStreamLifetime, AStreamDestroyedWhileTheDeviceIsOpenTakesItsBuffersBackAndReleasesPtt)
{
    enum class At { Opening, Sending, Stopping, Closing };
    for (const At at : {At::Opening, At::Sending, At::Stopping, At::Closing}) {
        StreamParts parts;
        auto& [log, device, text, status, queue, synthesizer, ptt, window, messages] = parts;
        auto stream = std::make_unique<TxAudioStream>(device, queue, synthesizer, ptt, window, messages);
        stream->toggle();
        if (at != At::Opening) {
            device.deliverOpen();
            device.playAndReturn(5);
        }
        if (at == At::Stopping)
            stream->toggle();
        if (at == At::Closing) {
            stream->requestClose();
            device.deliverDone(1);  // the device is being closed already
        }
        stream.reset();
        EXPECT_TRUE(device.queued.empty()) << static_cast<int>(at);
        EXPECT_FALSE(device.isOpen) << static_cast<int>(at);
        EXPECT_EQ(device.closes, 1) << static_cast<int>(at);
        EXPECT_FALSE(ptt.keyed) << static_cast<int>(at);
        for (const std::string& fault : device.faults)
            ADD_FAILURE() << "device misuse: " << fault;
    }
}

TEST_F(TxAudioStreamTest, IgnoresNotificationsItDidNotAskFor)
{
    OutputBuffer stranger;
    stranger.index = 3;
    stream.onOutputBufferDone(stranger);  // idle
    stream.onOutputOpen();
    stream.onOutputClose();
    stream.onOutputFailed();
    EXPECT_TRUE(device.calls.empty());
    EXPECT_TRUE(window.toggleTexts.empty());

    startSending();
    stream.onOutputBufferDone(stranger);  // not one of ours
    EXPECT_EQ(queue.readPos(), 0);
    EXPECT_EQ(device.written.size(), kBuffers);
}
}  // namespace

namespace {

// A stream whose device fails after the preamble and `played` more buffers.
struct LostOver : StreamParts {
    TxAudioStream stream{device, queue, synthesizer, ptt, window, messages};
    void runAndLose(std::size_t played)
    {
        stream.toggle();
        device.deliverOpen();
        device.playAndReturn(kBuffers + played);
        device.deliverFailure();
        device.deliverClose();
    }
};

}  // namespace

// "cq": the program's first request hands out the start value (position 0), 'c'
// (101111 00) takes positions 1-8 and 'q' (110111111 00) positions 9-19.
TEST(TxAudioStreamLostSound, TextNotPlayedWhenTheSoundServerWentIsSentByTheNextTurnOn)
{
    {
        LostOver over;
        over.text.bytes = "cq";
        over.runAndLose(12);  // positions 0-11 played: 'c' whole, 'q' cut short
        EXPECT_EQ(over.queue.textTaken(), 1);
        EXPECT_EQ(over.queue.readPos(), 9);
        EXPECT_FALSE(over.ptt.keyed);
        ASSERT_EQ(over.messages.shown.size(), 1u);
        EXPECT_EQ(over.messages.shown[0].title, "MSK transmitter");
        EXPECT_EQ(over.messages.shown[0].text, TxAudioStream::kStreamLostText);
        EXPECT_EQ(over.messages.shown[0].icon, MessageIcon::Exclamation);

        // The next over goes on from 'q' (position 9): each buffer handed back
        // asks for one bit.
        over.stream.toggle();
        over.device.deliverOpen();
        over.device.playAndReturn(kBuffers + 1);
        EXPECT_EQ(over.queue.textTaken(), 2);
        EXPECT_EQ(over.queue.readPos(), static_cast<std::int64_t>(9 + kBuffers + 1));
    }
    {
        // What the sound system still held when it failed did not play either:
        // 10 ms is one bit at 31 baud (32 ms a bit), so of 9 buffers handed back
        // positions 0-7 played, and 'c' is sent again.
        LostOver over;
        over.text.bytes = "cq";
        over.device.latency = 0.010;
        over.runAndLose(9);
        EXPECT_EQ(over.queue.textTaken(), 0);
    }
    {
        LostOver over;
        over.text.bytes = "cq";
        over.runAndLose(9);  // the same without latency: 'c' played to its end
        EXPECT_EQ(over.queue.textTaken(), 1);
    }
}

TEST_F(TxAudioStreamTest, UnderrunsAreCountedPerOverAndShown)
{
    startSending();
    EXPECT_EQ(window.dryShown, std::vector<int>{0});
    device.playAndReturn(3);
    device.underruns = 2;
    device.playAndReturn(1);
    device.underruns = 3;
    device.playAndReturn(2);
    EXPECT_EQ(window.dryShown, (std::vector<int>{0, 2, 3}));
    stream.toggle();
    device.deliverAll();

    startSending();  // a new over starts from nothing
    device.playAndReturn(2);
    device.underruns = 4;
    device.playAndReturn(1);
    EXPECT_EQ(window.dryShown, (std::vector<int>{0, 2, 3, 0, 1}));
}

TEST_F(TxAudioStreamTest, TheFasterSpeedsKeepHalfASecondInFlight)
{
    // 0.5 s at 32000 samples a second is 16000 samples: 250 bits of 64 at 500
    // baud, 125 of 128 at 250, 62 of 256 at 125; the slower speeds keep the 42.
    const std::pair<int, std::size_t> speeds[] = {{64, 250}, {128, 125}, {256, 62}, {512, 42}, {1024, 42}};
    for (const auto& [samplesPerBit, buffers] : speeds) {
        StreamParts parts;
        TxAudioStream s(parts.device, parts.queue, parts.synthesizer, parts.ptt, parts.window, parts.messages);
        parts.text.bytes = "e";
        parts.synthesizer.setSamplesPerBit(samplesPerBit);
        s.toggle();
        parts.device.deliverOpen();
        EXPECT_EQ(parts.device.queued.size(), buffers) << samplesPerBit;
        EXPECT_EQ(s.bufferCount(), static_cast<int>(buffers));
        // The text starts in the buffers beyond the preamble's.
        EXPECT_EQ(parts.queue.readPos(), static_cast<std::int64_t>(buffers - kBuffers)) << samplesPerBit;
        s.toggle();
        parts.device.deliverAll();
        EXPECT_TRUE(parts.device.faults.empty()) << samplesPerBit;
    }
}
