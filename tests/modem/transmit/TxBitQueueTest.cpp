// SPDX-License-Identifier: GPL-3.0-or-later
#include "modem/transmit/TxBitQueue.h"

#include "modem/varicode/VaricodeTable.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

// The entry as a plain byte string the test edits between requests.
struct TextEntry : TxTextSource {
    std::string text;
    mutable std::int64_t bytesRead = 0;
    std::int64_t length() const override { return static_cast<std::int64_t>(text.size()); }
    std::uint8_t byteAt(std::int64_t i) const override
    {
        ++bytesRead;
        return static_cast<std::uint8_t>(text.at(static_cast<std::size_t>(i)));
    }
};

struct StatusLine : TxStatusSink {
    std::vector<std::pair<std::int64_t, std::string>> updates;  // (request number, text)
    std::int64_t request = 0;
    void setStatusText(const std::string& t) override { updates.emplace_back(request, t); }
};

struct QueueUnderTest {
    TextEntry entry;
    StatusLine status;
    TxBitQueue queue{entry, status};

    std::string take(int n)
    {
        std::string bits;
        for (int i = 0; i < n; ++i) {
            ++status.request;
            bits += queue.nextBit() ? '1' : '0';
        }
        return bits;
    }
};

const std::string kIdle = "101010101100";

}  // namespace

TEST(TxBitQueue, EmptyEntrySendsZeroThenIdleUnitsForever)
{
    QueueUnderTest q;
    EXPECT_EQ(q.take(1), "0");  // the very first request takes nothing from the queue
    EXPECT_EQ(q.take(36), kIdle + kIdle + kIdle);
    for (const auto& [request, text] : q.status.updates)
        EXPECT_EQ(text, "Bits left = 0");
    ASSERT_EQ(q.status.updates.size(), 1u);
    EXPECT_EQ(q.status.updates[0].first, 21);
}

TEST(TxBitQueue, CharactersGoOutAsTheirCodeWordsAndSeparator)
{
    {
        QueueUnderTest q;
        q.entry.text = "e";
        EXPECT_EQ(q.take(1 + 4 + 12), "0" "1100" + kIdle);
    }
    {
        QueueUnderTest q;
        q.entry.text = "a b";
        EXPECT_EQ(q.take(1 + 6 + 3 + 9 + 12), "0" "101100" "100" "101111100" + kIdle);
    }
    {
        QueueUnderTest q;
        q.entry.text = "\xE9\x80";  // bytes 233 and 128 of the upper half
        EXPECT_EQ(q.take(1 + 14 + 12), "0" "10101010110100" "111011110100");
    }
}

TEST(TxBitQueue, LineEndGoesOutAsSpaceThenLineFeed)
{
    QueueUnderTest q;
    q.entry.text = "\r\n";
    EXPECT_EQ(q.take(1 + 3 + 7), "0" "100" "1110100");
}

TEST(TxBitQueue, TypingDuringIdleWaitsForTheWholeIdleUnit)
{
    QueueUnderTest q;
    q.take(3);  // 0, then the first two bits of an idle unit
    q.entry.text = "e";
    EXPECT_EQ(q.take(10 + 4), "1010101100" "1100");
}

TEST(TxBitQueue, RemovedTextIsAnsweredWithBackspaceUnits)
{
    QueueUnderTest q;
    q.entry.text = "abcd";
    q.take(5);  // all four characters moved, one per request
    ASSERT_EQ(q.queue.textTaken(), 4);
    const std::int64_t before = q.queue.queuedBits();
    q.entry.text = "a";
    q.take(1);
    EXPECT_EQ(q.queue.textTaken(), 1);
    EXPECT_EQ(q.queue.queuedBits() - before, 36);  // three units of 12 in one request
}

TEST(TxBitQueue, EditsToTextNotYetSentOrOfTheSameLengthSendNothing)
{
    QueueUnderTest q;
    q.entry.text = "ab";
    q.take(2);  // moves a (request 1), b (request 2)
    q.entry.text = "xy";  // overwritten, same length: nothing is sent
    q.take(1);
    EXPECT_EQ(q.queue.textTaken(), 2);

    QueueUnderTest r;
    r.entry.text = "abc";
    r.take(1);  // only 'a' moved
    r.entry.text = "a";  // 'b' and 'c' removed before they were moved
    const std::int64_t before = r.queue.queuedBits();
    r.take(1);
    EXPECT_EQ(r.queue.queuedBits(), before);
    EXPECT_EQ(r.queue.textTaken(), 1);
}

TEST(TxBitQueue, TextInsertedInFrontShiftsWhatIsSentNext)
{
    QueueUnderTest q;
    q.entry.text = "et";
    q.take(1);  // 'e' moved
    q.entry.text = "Xet";  // the next character is now at position 2: 'e' again
    q.take(1);
    EXPECT_EQ(q.take(3 + 4), "100" "1100");  // the rest of e's word, then e once more
}

TEST(TxBitQueue, ANewTextAfterClearingStartsWithoutBackspaces)
{
    // The entry reports the clearing as a change at byte 0, as the window's does.
    struct ClearedEntry : TextEntry {
        mutable std::int64_t change = kNoChange;
        std::int64_t takeLowestChange() const override { return std::exchange(change, kNoChange); }
    };
    ClearedEntry entry;
    StatusLine status;
    TxBitQueue queue{entry, status};
    const auto take = [&queue](int n) {
        std::string bits;
        for (int i = 0; i < n; ++i)
            bits += queue.nextBit() ? '1' : '0';
        return bits;
    };
    entry.text = "abc";
    take(2);  // 'a' and 'b' moved; 'c' still waits
    ASSERT_EQ(queue.textTaken(), 2);
    const std::int64_t queued = queue.queuedBits();

    entry.text.clear();
    entry.change = 0;
    queue.startNewText();
    EXPECT_EQ(queue.textTaken(), 0);
    entry.text = "e";
    take(1);
    // Only 'e' ("11" "00") is added: no backspace for a or b, and c is never sent.
    EXPECT_EQ(queue.queuedBits() - queued, 4);
    EXPECT_EQ(queue.textTaken(), 1);
    // Three requests so far handed out the start 0, then a's "1" and "0"; next come
    // the rest of a (1011 00), b (1011111 00), e (11 00) and the idle unit.
    EXPECT_EQ(take(4 + 9 + 4 + 4), "1100" "1011111" "00" "1100" "1010");
}

TEST(TxBitQueue, StatusLineEvery21stRequestCountsTheBacklogBeyondTheNextBit)
{
    // Ten e (4 bits each) and one space (3 bits) = 43 bits, all moved by request 11.
    // At request 21: 43 queued - readPos 21 = 22 -> shown as is.
    QueueUnderTest q;
    q.entry.text = "eeeeeeeeee ";
    q.take(21);
    ASSERT_EQ(q.status.updates.size(), 1u);
    EXPECT_EQ(q.status.updates[0], std::make_pair(std::int64_t{21}, std::string("Bits left = 22")));

    // Nine e and one a (6 bits) = 42 bits: 42 - 21 = 21, which shows as 0.
    QueueUnderTest r;
    r.entry.text = "eeeeeeeeea";
    r.take(21);
    ASSERT_EQ(r.status.updates.size(), 1u);
    EXPECT_EQ(r.status.updates[0].second, "Bits left = 0");

    // Long text: every request moves 4 bits and takes 1, so at request 42 the
    // backlog is 4 x 42 - 42 = 126; the next update comes at request 63.
    QueueUnderTest s;
    s.entry.text = std::string(100, 'e');
    s.take(63);
    ASSERT_EQ(s.status.updates.size(), 3u);
    EXPECT_EQ(s.status.updates[1], std::make_pair(std::int64_t{42}, std::string("Bits left = 126")));
    EXPECT_EQ(s.status.updates[2].first, 63);
}

TEST(TxBitQueue, ReadsOneCharacterPerMovedCharacterNotTheWholeText)
{
    QueueUnderTest q;
    q.entry.text = std::string(10000, 'e');
    q.take(100);
    EXPECT_EQ(q.entry.bytesRead, 100);
}

TEST(TxBitQueue, MemoryStaysBoundedThroughADayAt500Baud)
{
    // 500 bits per second for 24 hours, typing a little every so often.
    QueueUnderTest q;
    constexpr std::int64_t kRequests = 500LL * 60 * 60 * 24;
    std::size_t mostHeld = 0;
    for (std::int64_t i = 0; i < kRequests; ++i) {
        if (i % 100000 == 0)
            q.entry.text += "CQ CQ de DL1ABC\r\n";
        q.queue.nextBit();
        if (q.queue.heldBits() > mostHeld)
            mostHeld = q.queue.heldBits();
    }
    EXPECT_EQ(q.queue.readPos(), kRequests);  // counted from program start
    EXPECT_LT(mostHeld, 10000u);
    // The status cadence still follows readPos: one update per 21 requests.
    EXPECT_EQ(static_cast<std::int64_t>(q.status.updates.size()), kRequests / 21);
}

// The sound stopped under a transmission (the sound server went away): what was
// handed out but never played goes back, whole characters at a time.
TEST(TxBitQueue, PutBackResendsEveryCharacterNotPlayedToItsEnd)
{
    // "a b": request 1 hands out the start value (position 0) and queues 'a' at
    // positions 1-6 (101100), request 2 queues ' ' at 7-9 (100), request 3 'b' at
    // 10-18 (101111100).
    {
        QueueUnderTest q;
        q.entry.text = "a b";
        EXPECT_EQ(q.take(1 + 6 + 3), "0" "101100" "100");
        q.queue.putBack(5);  // positions 0-4 played: 'a' cut short, ' ' never heard
        EXPECT_EQ(q.queue.textTaken(), 0);
        EXPECT_EQ(q.queue.readPos(), 1);
        EXPECT_EQ(q.take(6 + 3 + 9 + 12), "101100" "100" "101111100" + kIdle);
    }
    {
        QueueUnderTest q;
        q.entry.text = "a b";
        EXPECT_EQ(q.take(1 + 6 + 3), "0" "101100" "100");
        q.queue.putBack(7);  // 'a' played to its end (position 6), ' ' not at all
        EXPECT_EQ(q.queue.textTaken(), 1);
        EXPECT_EQ(q.take(3 + 9 + 12), "100" "101111100" + kIdle);
    }
}

TEST(TxBitQueue, PutBackWithNoTextInFlightDropsOnlyIdle)
{
    QueueUnderTest q;
    q.entry.text = "e";
    EXPECT_EQ(q.take(1 + 4 + 6), "0" "1100" "101010");  // 'e' at 1-4, then idle
    q.queue.putBack(9);  // half an idle unit unplayed: nothing to send again
    EXPECT_EQ(q.queue.textTaken(), 1);
    EXPECT_EQ(q.queue.readPos(), 11);
    EXPECT_EQ(q.take(6), "101100");
}

TEST(TxBitQueue, ABackspaceThatWasNotPlayedIsSentAgain)
{
    QueueUnderTest q;
    q.entry.text = "ab";
    // 'a' at 1-6 (101100), 'b' at 7-15 (101111100).
    EXPECT_EQ(q.take(1 + 6 + 8), "0" "101100" "10111110");
    q.entry.text = "a";
    // The next request withdraws 'b' with a backspace unit at 16-27, behind the
    // last bit of 'b'.
    EXPECT_EQ(q.take(1 + 5), "0" "10111");
    q.queue.putBack(18);  // 'b' arrived, its backspace did not: 'b' is still on the other screen
    EXPECT_EQ(q.queue.textTaken(), 2);
    EXPECT_EQ(q.take(12 + 12), std::string(varicode::kBackspaceUnit) + kIdle);
    EXPECT_EQ(q.queue.textTaken(), 1);
}

TEST(TxBitQueue, PutBackStillReachesTheBitsInFlightAfterTenMinutesAt500Baud)
{
    // The handed-out bits are dropped from memory as the queue runs, but those the
    // sound system may still hold stay: a character typed late in a long over is
    // sent again whole.
    QueueUnderTest q;
    // The start value, then 24999 idle units and 11 bits of the next: positions
    // 0 to 299999 (300000 = 12 * 25000, the last one still to come).
    ASSERT_EQ(q.take(300000).size(), 300000u);
    EXPECT_LT(q.queue.heldBits(), 300000u);
    q.entry.text = "e";
    // The idle unit's last bit (position 300000), then 'e' at 300001-300004.
    EXPECT_EQ(q.take(5), "0" "1100");
    q.queue.putBack(300002);  // the first bit of 'e' played, no more
    EXPECT_EQ(q.queue.textTaken(), 0);
    EXPECT_EQ(q.queue.readPos(), 300001);
    EXPECT_EQ(q.take(4 + 12), "1100" + kIdle);
}
