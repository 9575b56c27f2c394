// SPDX-License-Identifier: GPL-3.0-or-later
// Which text is on the air, and the end of an over, through the audio stream and a
// device the test clocks.
//
// Bit arithmetic used below: the stream queues 42 preamble buffers at the open, and
// refills each buffer handed back with the next request to the queue. So the n-th
// buffer handed back (n > 42) carries the bit of the (n - 42)-th request, queue
// position n - 43 (the first request hands out the start value, position 0), and
// the queue runs 42 requests ahead of what has played. 'a' is 1011, 'b' 1011111,
// 'x' 11011111 in Varicode, each followed by 00; a backspace unit and an idle unit
// are 12 bits. Typed before the start, 'a' fills positions 1-6 and 'b' 7-15;
// request k appends an idle unit when nothing is queued for position k.

#include "modem/transmit/MskSynthesizer.h"
#include "modem/transmit/TxBitQueue.h"
#include "tests/fakes/FakeAudioOutputDevice.h"
#include "tests/fakes/FakeOperatorMessages.h"
#include "tests/transmitter/FakePttKeyer.h"
#include "tests/transmitter/FakeWindowControls.h"
#include "tests/transmitter/RecordingStatus.h"
#include "tests/transmitter/StringTextSource.h"
#include "transmitter/OnAirDevice.h"
#include "transmitter/OverProgress.h"
#include "transmitter/TxAudioStream.h"

#include <gtest/gtest.h>

#include <functional>
#include <utility>

namespace {

// The entry, reporting where an edit begins as the window's does.
struct EditedText : StringTextSource {
    mutable std::int64_t change = kNoChange;
    std::int64_t takeLowestChange() const override { return std::exchange(change, kNoChange); }
};

struct Progress : OverProgressListener {
    std::vector<std::int64_t> onAir;  // every new value, in order
    int ends = 0;
    const OverProgress* progress = nullptr;
    std::function<void()> onEnd;
    void onAirChanged() override { onAir.push_back(progress->onAirBytes()); }
    void overEnded() override
    {
        ++ends;
        if (onEnd)
            onEnd();
    }
};

class OverProgressTest : public ::testing::Test {
protected:
    std::vector<std::string> log;
    FakeAudioOutputDevice device{&log};
    EditedText text;
    RecordingStatus status;
    TxBitQueue queue{text, status};
    Progress listener;
    OverProgress progress{queue, text, listener};
    OnAirDevice onAir{device, queue, progress};
    MskSynthesizer synthesizer;
    FakePttKeyer ptt{&log};
    FakeWindowControls window{&log};
    FakeOperatorMessages messages;
    TxAudioStream stream{onAir, queue, synthesizer, ptt, window, messages};

    void SetUp() override
    {
        listener.progress = &progress;
        // The window turns the transmission off when the over has ended. (The plain
// cases, a character on the air and an over ending, are tested through the
// window's keys; these are the ones a window test does not reach easily.)
        listener.onEnd = [this] {
            if (stream.deviceHeld() && !stream.stopRequested())
                stream.toggle();
        };
    }
    void TearDown() override
    {
        for (const std::string& fault : device.faults)
            ADD_FAILURE() << "device misuse: " << fault;
    }
    void start()
    {
        stream.toggle();
        device.deliverOpen();
    }
    // The buffers that carry queue positions up to and including `position` have
    // played (see the arithmetic at the top).
    void playThrough(std::int64_t position)
    {
        device.playAndReturn(static_cast<std::size_t>(position + 43) - buffersReturned_);
        buffersReturned_ = static_cast<std::size_t>(position + 43);
    }

private:
    std::size_t buffersReturned_ = 0;
};

}  // namespace

TEST_F(OverProgressTest, BitsCutByTurnOffAreNotOnTheAir)
{
    text.bytes = "ab";
    start();
    playThrough(5);
    // Turn Off: the device hands every queued buffer back unplayed, a's last bit
    // (position 6) among them.
    stream.toggle();
    device.deliverAll();
    EXPECT_FALSE(stream.deviceHeld());
    EXPECT_EQ(progress.onAirBytes(), 0);
    EXPECT_TRUE(listener.onAir.empty());
}

TEST_F(OverProgressTest, EditedTextIsNoLongerOnTheAir)
{
    text.bytes = "ab";
    start();
    playThrough(15);
    ASSERT_EQ(progress.onAirBytes(), 2);
    // 'b' replaced by 'x': the window reports the change at byte 1.
    text.bytes = "ax";
    text.change = 1;
    progress.textChangedAt(1);
    EXPECT_EQ(progress.onAirBytes(), 1);
    // Requests up to 58 have been made; idle units fill 16-27, 28-39, 40-51 and
    // 52-63. Request 59 withdraws 'b' with a backspace unit (64-75), request 60
    // takes 'x' (76-85). 'x' counts once its own last bit has played.
    playThrough(84);
    EXPECT_EQ(progress.onAirBytes(), 1);
    playThrough(85);
    EXPECT_EQ(progress.onAirBytes(), 2);
}

TEST_F(OverProgressTest, TextTypedWhileEndingMovesTheEndBehindIt)
{
    text.bytes = "a";
    start();
    progress.endOver();
    playThrough(2);  // the end was set at request 1: a's last bit 6 + 24 = 30
    // 'b' typed: the window cancels the end, the operator ends again.
    text.bytes = "ab";
    progress.cancelEnd();
    progress.endOver();
    // Requests up to 45 are made; idle units fill 7-18, 19-30, 31-42, 43-54, and
    // request 46 takes 'b' (55-63): the new end is 63 + 24 = 87.
    playThrough(30);
    EXPECT_EQ(listener.ends, 0);
    playThrough(86);
    EXPECT_EQ(listener.ends, 0);
    EXPECT_TRUE(ptt.keyed);
    playThrough(87);
    EXPECT_EQ(listener.ends, 1);
}

TEST_F(OverProgressTest, TurningOffByHandDisarmsTheEnd)
{
    text.bytes = "a";
    progress.endOver();
    start();
    playThrough(10);
    stream.toggle();
    device.deliverAll();
    EXPECT_FALSE(progress.endArmed());
    start();  // the next transmission runs until turned off
    device.playAndReturn(200);
    EXPECT_EQ(listener.ends, 0);
    EXPECT_TRUE(ptt.keyed);
}
