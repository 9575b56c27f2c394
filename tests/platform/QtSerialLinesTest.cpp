// SPDX-License-Identifier: GPL-3.0-or-later
// The serial port behind the PTT: what opens, what does not, and that nothing
// happens on a port that is not open. A pseudo-terminal stands in for a serial
// device (it has no modem lines, so the line changes themselves are not seen).

#include "platform/QtSerialLines.h"

#include <QTemporaryFile>

#include <gtest/gtest.h>

#if defined(__unix__) || defined(__APPLE__)
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>
#define MSK_HAVE_PTY 1
#endif

namespace {

TEST(QtSerialLines, NoneNeverOpensAndAClosedPortIgnoresTheLines)
{
    QtSerialLines lines;
    EXPECT_FALSE(lines.open(0));
    EXPECT_FALSE(lines.open(-1));
    EXPECT_FALSE(lines.isOpen());
    EXPECT_EQ(lines.deviceName(), "");
    lines.setDtr(true);
    lines.setRts(true);
    lines.close();
    lines.close();
    EXPECT_FALSE(lines.isOpen());
}

TEST(QtSerialLines, AnOrdinaryFileIsNoSerialPort)
{
    QTemporaryFile file;
    ASSERT_TRUE(file.open());
    file.write("COM1");
    file.flush();
    QtSerialLines lines;
    EXPECT_FALSE(lines.openLocation(file.fileName().toStdString()));
    EXPECT_FALSE(lines.isOpen());
    EXPECT_EQ(lines.deviceName(), "");
    EXPECT_FALSE(lines.openLocation("/nonexistent/ttyS0"));
}

#ifdef MSK_HAVE_PTY
class PseudoTerminal {
public:
    PseudoTerminal()
    {
        master_ = posix_openpt(O_RDWR | O_NOCTTY);
        if (master_ >= 0 && grantpt(master_) == 0 && unlockpt(master_) == 0)
            name_ = ptsname(master_);
    }
    ~PseudoTerminal()
    {
        if (master_ >= 0)
            ::close(master_);
    }
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;
    const std::string& deviceName() const { return name_; }

private:
    int master_ = -1;
    std::string name_;
};

TEST(QtSerialLines, OpensADeviceExclusivelyAndNamesIt)
{
    PseudoTerminal terminal;
    ASSERT_FALSE(terminal.deviceName().empty());
    QtSerialLines lines;
    ASSERT_TRUE(lines.openLocation(terminal.deviceName()));
    EXPECT_TRUE(lines.isOpen());
    EXPECT_EQ(lines.deviceName(), terminal.deviceName());
    lines.setDtr(false);  // a pseudo-terminal refuses; nothing may come of it
    lines.setRts(false);

    QtSerialLines otherProgram;
    EXPECT_FALSE(otherProgram.openLocation(terminal.deviceName())) << "the port is ours alone";
    EXPECT_EQ(otherProgram.deviceName(), "");

    lines.close();
    EXPECT_FALSE(lines.isOpen());
    EXPECT_EQ(lines.deviceName(), "");
    EXPECT_TRUE(otherProgram.openLocation(terminal.deviceName())) << "free again after close";
}

TEST(QtSerialLines, OpeningAnotherPortClosesTheFirst)
{
    PseudoTerminal first;
    PseudoTerminal second;
    QtSerialLines lines;
    ASSERT_TRUE(lines.openLocation(first.deviceName()));
    ASSERT_TRUE(lines.openLocation(second.deviceName()));
    EXPECT_EQ(lines.deviceName(), second.deviceName());
    QtSerialLines other;
    EXPECT_TRUE(other.openLocation(first.deviceName()));
}
#endif

}  // namespace
