// SPDX-License-Identifier: GPL-3.0-or-later
// The PTT port over fake serial lines: what reaches DTR and RTS, in which order,
// and what the operator sees when a port cannot be opened.

#include "tests/fakes/FakeOperatorMessages.h"
#include "tests/fakes/FakeSerialLines.h"
#include "tests/transmitter/FakePttLines.h"
#include "transmitter/PttPort.h"
#include "transmitter/TextChooser.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <string>
#include <vector>

namespace {

using Events = std::vector<std::string>;

// The transmitter window's two buttons; logs into the serial fake's event list so
// their order against opening and closing shows.
struct FakeWindow : PttWindowControls {
    explicit FakeWindow(Events& log) : log(log) {}
    Events& log;
    bool pttEnabled = true;
    bool toggleEnabled = true;
    void setPttButtonEnabled(bool enabled) override
    {
        pttEnabled = enabled;
        log.push_back(std::string("ptt button ") + (enabled ? "enabled" : "disabled"));
    }
    void setToggleEnabled(bool enabled) override
    {
        toggleEnabled = enabled;
        log.push_back(std::string("toggle ") + (enabled ? "enabled" : "disabled"));
    }
};

// Answers with a scripted text and remembers what it was asked.
struct FakeChooser : TextChooser {
    FakeChooser(Events& log, const FakeWindow& window) : log(log), window(window) {}
    Events& log;
    const FakeWindow& window;
    std::string answer;
    struct Call {
        std::string prompt, initialText, caption;
        std::vector<std::string> choices;
        bool pttEnabled, toggleEnabled;
    };
    std::vector<Call> calls;
    std::string run(const std::string& prompt, const std::string& initialText,
                    const std::vector<std::string>& choices, const std::string& caption) override
    {
        calls.push_back({prompt, initialText, caption, choices, window.pttEnabled, window.toggleEnabled});
        log.push_back("chooser");
        return answer;
    }
};

class PttPortTest : public ::testing::Test {
protected:
    FakeSerialLines lines;
    FakeOperatorMessages messages;
    PttPort port{lines, messages};
    FakeWindow window{lines.events};
    FakeChooser chooser{lines.events, window};

    // The state after the window's initialisation, with the log emptied.
    void startWithPortOpen()
    {
        ASSERT_TRUE(port.openCurrent());
        lines.events.clear();
    }
    int chooseText(const std::string& text)
    {
        chooser.answer = text;
        return port.choose(window, chooser);
    }
    void expectFailureBox(size_t count = 1)
    {
        ASSERT_EQ(messages.shown.size(), count);
        EXPECT_EQ(messages.shown.back().title, "Comport");
        EXPECT_EQ(messages.shown.back().text, "Failure to open comport");
        EXPECT_EQ(messages.shown.back().icon, MessageIcon::Stop);
    }
};

TEST_F(PttPortTest, StartsWithPortOneAndOpeningReleasesBothLinesDtrFirst)
{
    EXPECT_EQ(port.portNumber(), 1);
    EXPECT_TRUE(port.openCurrent());
    EXPECT_EQ(lines.events, (Events{"open 1", "dtr off", "rts off"}));
    EXPECT_FALSE(lines.dtr);
    EXPECT_FALSE(lines.rts);
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(port.deviceName(), "/dev/ttyFAKE0");
}

TEST_F(PttPortTest, OpenFailureShowsTheBoxKeepsTheNumberAndLeavesNoPort)
{
    lines.existing.clear();
    EXPECT_FALSE(port.openCurrent());
    expectFailureBox();
    EXPECT_FALSE(lines.isOpen());
    EXPECT_EQ(port.portNumber(), 1);
    EXPECT_EQ(port.deviceName(), "");
    EXPECT_EQ(lines.events, (Events{"open 1 failed"}));
    EXPECT_EQ(messages.beeps, 0);
}

TEST_F(PttPortTest, KeyAssertsDtrThenRtsAndReleaseDropsThemInTheSameOrder)
{
    startWithPortOpen();
    port.key();
    EXPECT_TRUE(lines.keyed());
    port.release();
    EXPECT_FALSE(lines.dtr);
    EXPECT_FALSE(lines.rts);
    EXPECT_EQ(lines.events, (Events{"dtr on", "rts on", "dtr off", "rts off"}));
}

TEST_F(PttPortTest, SelectionAsksWithTheCurrentPortAndTheTenChoices)
{
    startWithPortOpen();
    chooseText("COM2");
    ASSERT_EQ(chooser.calls.size(), 1u);
    const FakeChooser::Call& call = chooser.calls[0];
    EXPECT_EQ(call.prompt, "Select comport for PTT control");
    EXPECT_EQ(call.caption, "PTT control");
    EXPECT_EQ(call.initialText, "COM 1");
    EXPECT_EQ(call.choices, (Events{"none", "COM1", "COM2", "COM3", "COM4", "COM5", "COM6", "COM7", "COM8", "COM9"}));
    EXPECT_FALSE(call.pttEnabled);
    EXPECT_FALSE(call.toggleEnabled);
}

TEST_F(PttPortTest, OnlyTheLastCharacterOfTheChosenTextCounts)
{
    const struct {
        const char* text;
        int port;
    } cases[] = {
        {"COM12", 2}, {"com5", 5}, {"COM9", 9}, {"9", 9}, {"COM0", 0}, {"none", 0}, {"COMX", 0},
        {"COM 7 ", 0},       // a trailing blank is not a digit
        {"COM\xc2\xb2", 0},  // a superscript two in UTF-8: its last byte is no digit
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(PttPort::portNumberFromText(c.text), c.port);
    }
    startWithPortOpen();
    EXPECT_EQ(chooseText("COM12"), 1);
    EXPECT_EQ(port.portNumber(), 2);
    EXPECT_EQ(lines.openPort, 2);
    EXPECT_EQ(chooseText("com5"), 1);
    EXPECT_EQ(port.portNumber(), 5);
    EXPECT_EQ(lines.openPort, 5);
}

TEST_F(PttPortTest, ChoosingNoneClosesThePortShowsTheBoxAndTheNextSelectionOffersCom0)
{
    startWithPortOpen();
    EXPECT_EQ(chooseText("none"), 0);
    EXPECT_EQ(port.portNumber(), 0);
    EXPECT_FALSE(lines.isOpen());
    expectFailureBox();
    // Transmissions go on without keying anything: nothing reaches a line.
    lines.events.clear();
    port.key();
    port.release();
    EXPECT_TRUE(lines.events.empty());

    chooseText("");  // cancelled: port 0 again, another failure
    EXPECT_EQ(chooser.calls.back().initialText, "COM 0");
    EXPECT_EQ(port.portNumber(), 0);
    expectFailureBox(2);
}

TEST_F(PttPortTest, AnAbsentPortShowsTheBoxAndTheNextSelectionOffersIt)
{
    lines.existing = {1, 2};
    startWithPortOpen();
    EXPECT_EQ(chooseText("COM3"), 0);
    expectFailureBox();
    EXPECT_FALSE(lines.isOpen());
    EXPECT_EQ(port.portNumber(), 3);
    EXPECT_EQ(lines.events.back(), "open 3 failed");

    // From no port to a port: nothing to close, the choice opened and released.
    lines.events.clear();
    EXPECT_EQ(chooseText("COM2"), 1);
    EXPECT_EQ(chooser.calls.back().initialText, "COM 3");
    EXPECT_EQ(lines.openPort, 2);
    EXPECT_EQ(std::count(lines.events.begin(), lines.events.end(), "close"), 0);
    EXPECT_EQ(lines.events.back(), "rts off");
    EXPECT_EQ(port.deviceName(), "/dev/ttyFAKE1");
}

#ifndef _WIN32
TEST_F(PttPortTest, ATypedDevicePathIsOpenedAndKeyedAsAComPortIs)
{
    lines.existingPaths = {"/dev/serial/by-id/usb-FTDI_FT232R-if00-port0"};
    startWithPortOpen();
    EXPECT_EQ(chooseText("/dev/serial/by-id/usb-FTDI_FT232R-if00-port0"), 1);
    EXPECT_EQ(lines.events, (Events{"ptt button disabled", "toggle disabled", "chooser", "ptt button enabled",
                                    "toggle enabled", "close", "open /dev/serial/by-id/usb-FTDI_FT232R-if00-port0",
                                    "dtr off", "rts off"}));
    EXPECT_EQ(port.deviceName(), "/dev/serial/by-id/usb-FTDI_FT232R-if00-port0");
    port.key();
    EXPECT_TRUE(lines.keyed());
    port.release();
    EXPECT_FALSE(lines.dtr || lines.rts);

    // Cancelled: the next selection offers the path, the list unchanged, and the
    // same device is opened again.
    lines.events.clear();
    EXPECT_EQ(chooseText(""), 1);
    EXPECT_EQ(chooser.calls.back().initialText, "/dev/serial/by-id/usb-FTDI_FT232R-if00-port0");
    EXPECT_EQ(chooser.calls.back().choices, (Events{"none", "COM1", "COM2", "COM3", "COM4", "COM5", "COM6", "COM7", "COM8", "COM9"}));
    EXPECT_EQ(lines.openPath, "/dev/serial/by-id/usb-FTDI_FT232R-if00-port0");

    // A path that opens nothing fails as an absent port does; other texts keep
    // their meaning.
    EXPECT_EQ(chooseText("/dev/ttyUSB7"), 0);
    expectFailureBox();
    EXPECT_EQ(chooser.calls.back().initialText, "/dev/serial/by-id/usb-FTDI_FT232R-if00-port0");
    EXPECT_EQ(chooseText("COM12"), 1);
    EXPECT_EQ(chooser.calls.back().initialText, "/dev/ttyUSB7");
    EXPECT_EQ(lines.openPort, 2);
    EXPECT_EQ(chooseText(""), 1);
    EXPECT_EQ(chooser.calls.back().initialText, "COM 2");
}
#endif

// Also the order around the pop-up: both buttons disabled while it is up, enabled
// again before the port is touched.
TEST_F(PttPortTest, CancellingClosesAndReopensTheSamePortAndReleasesBothLines)
{
    startWithPortOpen();
    EXPECT_EQ(chooseText(""), 1);
    EXPECT_EQ(port.portNumber(), 1);
    EXPECT_EQ(lines.events, (Events{"ptt button disabled", "toggle disabled", "chooser", "ptt button enabled",
                                    "toggle enabled", "close", "open 1", "dtr off", "rts off"}));
    EXPECT_TRUE(messages.shown.empty());
}

}  // namespace

// --- The other keying methods, typed into the same field ---

namespace {

TEST(PttChoiceText, ReadsEachMethodAndSaysWhatIsWrongWithABadOne)
{
    using Way = PttPort::Choice::Way;
    using Kind = PttMethod::Kind;
    const PttPort::Choice rigctld = PttPort::parseChoice("rigctld:localhost:4532");
    EXPECT_EQ(rigctld.way, Way::Line);
    EXPECT_EQ(rigctld.method.kind, Kind::Rigctld);
    EXPECT_EQ(rigctld.method.host, "localhost");
    EXPECT_EQ(rigctld.method.tcpPort, 4532);
    EXPECT_EQ(PttPort::parseChoice("RIGCTLD:::1:4532").method.host, "::1");  // the port follows the last colon

    const PttPort::Choice cat = PttPort::parseChoice("hamlib:3073:/dev/ttyUSB0:19200");
    EXPECT_EQ(cat.way, Way::Line);
    EXPECT_EQ(cat.method.kind, Kind::Hamlib);
    EXPECT_EQ(cat.method.rigModel, 3073);
    EXPECT_EQ(cat.method.device, "/dev/ttyUSB0");
    EXPECT_EQ(cat.method.baud, 19200);
    const PttPort::Choice noBaud = PttPort::parseChoice("hamlib:1035:/dev/serial/by-id/usb-Silicon_Labs-if00");
    EXPECT_EQ(noBaud.method.device, "/dev/serial/by-id/usb-Silicon_Labs-if00");
    EXPECT_EQ(noBaud.method.baud, 0);

    const PttPort::Choice cm108 = PttPort::parseChoice("cm108:/dev/hidraw2");
    EXPECT_EQ(cm108.method.kind, Kind::Cm108);
    EXPECT_EQ(cm108.method.device, "/dev/hidraw2");
    EXPECT_EQ(cm108.method.gpio, 3);
    EXPECT_EQ(PttPort::parseChoice("cm108:/dev/hidraw2:4").method.gpio, 4);

    EXPECT_EQ(PttPort::parseChoice("vox").way, Way::Vox);
    EXPECT_EQ(PttPort::parseChoice("VOX").way, Way::Vox);
    for (const char* serial : {"COM3", "none", "/dev/ttyUSB0", "", "voxx"})
        EXPECT_EQ(PttPort::parseChoice(serial).way, Way::SerialPort) << serial;

    const struct {
        const char* text;
        const char* error;
    } bad[] = {
        {"rigctld:localhost", "\"rigctld:localhost\": write rigctld:HOST:PORT, e.g. rigctld:localhost:4532"},
        {"rigctld::4532", "\"rigctld::4532\": write rigctld:HOST:PORT, e.g. rigctld:localhost:4532"},
        {"rigctld:localhost:65536", "\"rigctld:localhost:65536\": the TCP port must be a number from 1 to 65535"},
        {"hamlib:3073", "\"hamlib:3073\": write hamlib:MODEL:PORT[:BAUD], e.g. hamlib:3073:/dev/ttyUSB0:19200"},
        {"hamlib:IC-7300:/dev/ttyUSB0", "\"hamlib:IC-7300:/dev/ttyUSB0\": the rig model must be Hamlib's model number"},
        {"hamlib:3073:", "\"hamlib:3073:\": the rig's port is missing"},
        {"cm108:", "\"cm108:\": the hidraw device is missing, e.g. cm108:/dev/hidraw0"},
        {"cm108:/dev/hidraw0:9", "\"cm108:/dev/hidraw0:9\": the GPIO pin must be a number from 1 to 8"},
    };
    for (const auto& b : bad) {
        const PttPort::Choice choice = PttPort::parseChoice(b.text);
        EXPECT_EQ(choice.way, Way::Invalid) << b.text;
        EXPECT_EQ(choice.error, b.error);
    }
}

class PttLineTest : public PttPortTest {
protected:
    FakePttLines other{lines.events};
    PttPort linePort{lines, messages, &other};

    int chooseLineText(const std::string& text)
    {
        chooser.answer = text;
        return linePort.choose(window, chooser);
    }
};

TEST_F(PttLineTest, ARigctldChoiceClosesTheSerialPortOpensTheLineReleasedAndKeysThroughIt)
{
    ASSERT_TRUE(linePort.openCurrent());
    lines.events.clear();
    EXPECT_EQ(chooseLineText("rigctld:localhost:4532"), 1);
    EXPECT_FALSE(lines.isOpen());
    EXPECT_EQ(lines.events, (Events{"ptt button disabled", "toggle disabled", "chooser", "ptt button enabled",
                                    "toggle enabled", "close", "line open", "line release"}));
    ASSERT_EQ(other.made.size(), 1u);
    EXPECT_EQ(other.made[0].tcpPort, 4532);
    EXPECT_EQ(linePort.deviceName(), "rigctld:localhost:4532");
    EXPECT_EQ(linePort.choiceText(), "rigctld:localhost:4532");
    EXPECT_EQ(linePort.portNumber(), 0);

    lines.events.clear();
    linePort.key();
    EXPECT_TRUE(other.keyed);
    linePort.release();
    EXPECT_FALSE(other.keyed);
    EXPECT_EQ(lines.events, (Events{"line key", "line release"}));
    EXPECT_TRUE(messages.shown.empty());

    // Offered as typed the next time; going back to a COM port lets the line go.
    lines.events.clear();
    EXPECT_EQ(chooseLineText("COM2"), 1);
    EXPECT_EQ(chooser.calls.back().initialText, "rigctld:localhost:4532");
    EXPECT_EQ(other.alive, 0);
    EXPECT_EQ(lines.openPort, 2);
    EXPECT_EQ(linePort.choiceText(), "COM2");
}

TEST_F(PttLineTest, ALineThatCannotBeReachedSaysWhyAndKeysNothing)
{
    other.failOpen = true;
    EXPECT_EQ(chooseLineText("cm108:/dev/hidraw0"), 0);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].title, "PTT");
    EXPECT_EQ(messages.shown[0].text, "cannot reach it");
    EXPECT_EQ(messages.shown[0].icon, MessageIcon::Stop);
    EXPECT_EQ(other.alive, 0);
    EXPECT_EQ(linePort.deviceName(), "");
    lines.events.clear();
    linePort.key();
    linePort.release();
    EXPECT_TRUE(lines.events.empty());
    EXPECT_EQ(linePort.choiceText(), "cm108:/dev/hidraw0");  // still the operator's choice

    // Without the system's lines at all (a build without them): the same box.
    PttPort bare(lines, messages);
    ASSERT_TRUE(bare.select("hamlib:1:/dev/null"));
    EXPECT_FALSE(bare.openCurrent());
    EXPECT_EQ(messages.shown.back().text, "No way to key the radio by hamlib:1:/dev/null on this system");
}

TEST_F(PttLineTest, AFailedKeyIsReleasedAtOnceAndAFailedReleaseTriedAgainAndWarned)
{
    ASSERT_TRUE(linePort.select("rigctld:localhost:4532"));
    ASSERT_TRUE(linePort.openCurrent());
    lines.events.clear();
    other.failKeys = 1;
    linePort.key();
    EXPECT_EQ(lines.events, (Events{"line key failed", "line release"}));
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, "it would not key");

    lines.events.clear();
    linePort.key();
    other.failReleases = 1;
    linePort.release();
    EXPECT_EQ(lines.events, (Events{"line key", "line release failed", "line release"}));
    EXPECT_FALSE(other.keyed);
    EXPECT_EQ(messages.shown.size(), 1u);  // the second try did it

    other.failReleases = 2;
    linePort.key();
    linePort.release();
    ASSERT_EQ(messages.shown.size(), 2u);
    EXPECT_EQ(messages.shown[1].text, "it would not release\nThe radio may still be transmitting.");
}

TEST_F(PttLineTest, VoxKeysNothingAndOpensNothing)
{
    ASSERT_TRUE(linePort.openCurrent());
    lines.events.clear();
    EXPECT_EQ(chooseLineText("vox"), 1);
    EXPECT_FALSE(lines.isOpen());
    EXPECT_TRUE(other.made.empty());
    EXPECT_TRUE(messages.shown.empty());
    linePort.key();
    EXPECT_FALSE(lines.keyed());
    EXPECT_EQ(linePort.deviceName(), "VOX");
    EXPECT_EQ(linePort.choiceText(), "vox");
}

TEST_F(PttLineTest, AMistypedMethodIsRefusedAndTheRadioStaysKeyedAsBefore)
{
    ASSERT_TRUE(linePort.openCurrent());
    lines.events.clear();
    EXPECT_EQ(chooseLineText("rigctld:localhost"), 0);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].title, "PTT");
    EXPECT_EQ(messages.shown[0].text, "\"rigctld:localhost\": write rigctld:HOST:PORT, e.g. rigctld:localhost:4532");
    EXPECT_TRUE(lines.isOpen());  // COM1 as before
    EXPECT_EQ(linePort.choiceText(), "COM1");
    EXPECT_TRUE(window.pttEnabled && window.toggleEnabled);
    EXPECT_FALSE(linePort.select("cm108:"));
    EXPECT_EQ(linePort.choiceText(), "COM1");
}

}  // namespace
