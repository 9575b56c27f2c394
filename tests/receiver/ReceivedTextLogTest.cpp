// SPDX-License-Identifier: GPL-3.0-or-later
// The received-text log on a clock the test sets: the daily files and their lines,
// backspaces taken back out, what a failed write does, and when an over starts.

#include "receiver/ReceivedTextLog.h"

#include "modem/receive/StringTextPane.h"
#include "modem/varicode/VaricodeDecoder.h"
#include "tests/receiver/SetClock.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace {

using namespace std::chrono;
using namespace std::chrono_literals;


std::string Contents(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

class ReceivedTextLogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder = std::filesystem::temp_directory_path() /
                 ("rx-log-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(folder);
        log.setFolder(folder / "log");  // made at the first write
    }
    void TearDown() override { std::filesystem::remove_all(folder); }

    std::filesystem::path folder;
    SetClock clock;
    ReceivedTextLog log{clock};
};

TEST_F(ReceivedTextLogTest, OversStartLinesWithTimeAndCentreInTheFileOfTheirDay)
{
    clock.at = At(14, 32, 5);
    log.BeginOver(1000.0);
    log.Append("cq de ");
    log.Append("\xE9t\xE9");  // "été" in Windows-1252: two bytes each in UTF-8
    clock.at = At(14, 40, 0);
    log.BeginOver(1012.3);
    log.Append("ok\n");
    log.Append("");  // character 0: nothing
    clock.at = At(14, 41, 0);
    log.BeginOver(1012.3);  // after a line feed, no empty line
    EXPECT_EQ(log.file(), folder / "log" / "2026-12-07.txt");
    const std::string firstDay = "[14:32:05Z 1000.0 Hz]\ncq de \xC3\xA9t\xC3\xA9\n"
                                 "[14:40:00Z 1012.3 Hz]\nok\n"
                                 "[14:41:00Z 1012.3 Hz]\n";
    EXPECT_EQ(Contents(log.file()), firstDay);

    // Past midnight the text goes on in the next day's file, under a line of its own.
    clock.at = At(23, 59, 59);
    log.Append("a");
    clock.at = At(24, 0, 1);
    log.Append("b");
    EXPECT_EQ(log.file(), folder / "log" / "2026-12-08.txt");
    EXPECT_EQ(Contents(log.file()), "[00:00:01Z 1012.3 Hz]\nb");
    EXPECT_EQ(Contents(folder / "log" / "2026-12-07.txt"), firstDay + "a");

    // A later run appends to the day's file, starting a new line.
    ReceivedTextLog again(clock);
    again.setFolder(folder / "log");
    clock.at = At(24, 5, 0);
    again.BeginOver(1500.0);
    EXPECT_EQ(Contents(log.file()), "[00:00:01Z 1012.3 Hz]\nb\n[00:05:00Z 1500.0 Hz]\n");
    EXPECT_TRUE(log.failure().empty());
    EXPECT_TRUE(again.failure().empty());
}

// The decoder writes through the logging pane: the pane and the file read alike,
// and a backspace takes back a whole character, but never the over's line.
TEST_F(ReceivedTextLogTest, BackspacesTakeCharactersOutOfTheOver)
{
    StringTextPane pane;
    LoggedTextPane logged(pane, log);
    VaricodeDecoder decoder(logged);
    clock.at = At(9, 0, 0);
    log.BeginOver(1000.0);
    for (int c : {int{'h'}, int{'i'}, 0xE9, 8, 8, int{'o'}, 8, 8, 8, int{'e'}, int{'y'}})
        decoder.AppendReceivedChar(static_cast<std::uint8_t>(c));
    EXPECT_EQ(pane.text(), "ey");
    EXPECT_EQ(Contents(log.file()), "[09:00:00Z 1000.0 Hz]\ney");

    // The over's line stays, and the next one starts on a line of its own.
    for (int i = 0; i < 3; ++i)
        decoder.AppendReceivedChar(8);
    log.BeginOver(1000.0);
    EXPECT_EQ(Contents(log.file()), "[09:00:00Z 1000.0 Hz]\n[09:00:00Z 1000.0 Hz]\n");
}

// Off, nothing is written; on again, the next character starts a line with the time.
TEST_F(ReceivedTextLogTest, OffWritesNothing)
{
    clock.at = At(10, 0, 0);
    log.setEnabled(false);
    log.BeginOver(1000.0);
    log.Append("lost");
    EXPECT_FALSE(std::filesystem::exists(folder / "log"));
    log.setEnabled(true);
    clock.at = At(10, 1, 2);
    log.Append("kept");
    EXPECT_EQ(Contents(folder / "log" / "2026-12-07.txt"), "[10:01:02Z 1000.0 Hz]\nkept");
}

// A log folder that cannot be made is reported, not thrown; the text still reaches
// the pane, and the next over tries again.
TEST_F(ReceivedTextLogTest, AFailedWriteIsReportedAndReceptionGoesOn)
{
    std::filesystem::create_directories(folder);
    std::ofstream(folder / "log") << "a file in the folder's place";
    StringTextPane pane;
    LoggedTextPane logged(pane, log);
    clock.at = At(11, 0, 0);
    log.BeginOver(1000.0);
    logged.selectRange(0, 0);
    logged.replaceSelection("x");
    EXPECT_EQ(pane.text(), "x");
    const std::string failure = log.failure();
    EXPECT_NE(failure.find((folder / "log").string()), std::string::npos) << failure;

    std::filesystem::remove(folder / "log");
    log.BeginOver(1000.0);
    logged.replaceSelection("y");
    EXPECT_EQ(Contents(folder / "log" / "2026-12-07.txt"), "[11:00:00Z 1000.0 Hz]\ny");
    EXPECT_EQ(log.failure(), failure);  // the first failure is kept for the report
}

// An over starts when the squelch opens after 5 s or more closed; the program's
// start counts as a close.
TEST(OverStartTest, SquelchOpeningAfterFiveQuietSeconds)
{
    OverStart over(At(8, 0, 0));
    EXPECT_FALSE(over.SquelchIs(false, At(8, 0, 1)));
    EXPECT_FALSE(over.SquelchIs(true, At(8, 0, 4)));   // 4 s after the start
    EXPECT_FALSE(over.SquelchIs(true, At(8, 0, 20)));  // still open: no new over
    EXPECT_FALSE(over.SquelchIs(false, At(8, 0, 30)));
    EXPECT_FALSE(over.SquelchIs(true, At(8, 0, 30) + 4999ms));
    EXPECT_FALSE(over.SquelchIs(false, At(8, 0, 40)));
    EXPECT_TRUE(over.SquelchIs(true, At(8, 0, 45)));  // exactly 5 s closed
    EXPECT_EQ(UtcHoursMinutes(At(8, 0, 45)), "08:00");
    EXPECT_EQ(UtcHoursMinutes(At(23, 59, 59)), "23:59");
}

}  // namespace
