// SPDX-License-Identifier: GPL-3.0-or-later
#include "transmitter/PttPort.h"

#include "platform/OperatorMessages.h"
#include "platform/SerialLines.h"
#include "platform/SerialNaming.h"
#include "transmitter/TextChooser.h"

#include <vector>

namespace {

const char* const kFailureText = "Failure to open comport";
const char* const kFailureCaption = "Comport";
const char* const kChooserCaption = "PTT control";
const char* const kChooserPrompt = "Select comport for PTT control";
const char* const kLineCaption = "PTT";

std::string lowerCase(std::string text)
{
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

// A whole number of at most 9 digits within [low, high], else -1.
int numberIn(const std::string& text, int low, int high)
{
    if (text.empty() || text.size() > 9)
        return -1;
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return -1;
        value = value * 10 + (c - '0');
    }
    return value >= low && value <= high ? value : -1;
}

constexpr int kHighestTcpPort = 65535;
constexpr int kHighestBaud = 4000000;
constexpr int kHighestGpio = 8;

// What the operator may pick; anything typed is taken too.
const std::vector<std::string>& portChoices()
{
    static const std::vector<std::string> choices{"none", "COM1", "COM2", "COM3", "COM4",
                                                  "COM5", "COM6", "COM7", "COM8", "COM9"};
    return choices;
}

}  // namespace

PttPort::Choice PttPort::parseChoice(const std::string& text)
{
    Choice choice;
    const std::string lower = lowerCase(text);
    const auto startsWith = [&](const char* prefix) { return lower.rfind(prefix, 0) == 0; };
    const auto invalid = [&](const std::string& why) {
        choice.way = Choice::Way::Invalid;
        choice.error = "\"" + text + "\": " + why;
        return choice;
    };
    if (lower == "vox") {
        choice.way = Choice::Way::Vox;
        return choice;
    }
    PttMethod& m = choice.method;
    if (startsWith("rigctld:")) {
        // The port is after the last colon, so a host may be written as it is.
        const std::string rest = text.substr(8);
        const std::size_t colon = rest.rfind(':');
        if (colon == std::string::npos || colon == 0)
            return invalid("write rigctld:HOST:PORT, e.g. rigctld:localhost:4532");
        m.kind = PttMethod::Kind::Rigctld;
        m.host = rest.substr(0, colon);
        m.tcpPort = numberIn(rest.substr(colon + 1), 1, kHighestTcpPort);
        if (m.tcpPort < 0)
            return invalid("the TCP port must be a number from 1 to 65535");
    } else if (startsWith("hamlib:")) {
        const std::string rest = text.substr(7);
        const std::size_t colon = rest.find(':');
        if (colon == std::string::npos)
            return invalid("write hamlib:MODEL:PORT[:BAUD], e.g. hamlib:3073:/dev/ttyUSB0:19200");
        m.kind = PttMethod::Kind::Hamlib;
        m.rigModel = numberIn(rest.substr(0, colon), 1, 999999999);
        if (m.rigModel < 0)
            return invalid("the rig model must be Hamlib's model number");
        m.device = rest.substr(colon + 1);
        const std::size_t last = m.device.rfind(':');
        if (last != std::string::npos && numberIn(m.device.substr(last + 1), 0, kHighestBaud) >= 0) {
            m.baud = numberIn(m.device.substr(last + 1), 0, kHighestBaud);
            m.device.resize(last);
        }
        if (m.device.empty())
            return invalid("the rig's port is missing");
    } else if (startsWith("cm108:")) {
        m.kind = PttMethod::Kind::Cm108;
        m.device = text.substr(6);
        const std::size_t last = m.device.rfind(':');
        if (last != std::string::npos) {
            m.gpio = numberIn(m.device.substr(last + 1), 1, kHighestGpio);
            if (m.gpio < 0)
                return invalid("the GPIO pin must be a number from 1 to 8");
            m.device.resize(last);
        }
        if (m.device.empty())
            return invalid("the hidraw device is missing, e.g. cm108:/dev/hidraw0");
    } else {
        return choice;  // a serial port
    }
    choice.way = Choice::Way::Line;
    return choice;
}

PttPort::PttPort(SerialLines& lines, OperatorMessages& messages, PttLineFactory* otherLines)
    : lines_(lines), messages_(messages), otherLines_(otherLines)
{
}

PttPort::~PttPort() = default;  // a line releases the radio as it goes

void PttPort::key()
{
    if (way_ == Choice::Way::Line) {
        if (!line_)
            return;
        std::string error;
        if (!line_->setKeyed(true, error)) {
            // Half a command may have reached the radio: make sure it is not keyed.
            std::string ignored;
            line_->setKeyed(false, ignored);
            messages_.showMessage(kLineCaption, error, MessageIcon::Stop);
        }
        return;
    }
    if (!lines_.isOpen())
        return;
    lines_.setDtr(true);
    lines_.setRts(true);
}

void PttPort::release()
{
    if (way_ == Choice::Way::Line) {
        if (!line_)
            return;
        std::string error;
        if (!line_->setKeyed(false, error) && !line_->setKeyed(false, error))
            messages_.showMessage(kLineCaption, error + "\nThe radio may still be transmitting.", MessageIcon::Stop);
        return;
    }
    if (!lines_.isOpen())
        return;
    lines_.setDtr(false);
    lines_.setRts(false);
}

bool PttPort::openLine()
{
    std::string error = "No way to key the radio by " + methodText_ + " on this system";
    if (otherLines_ != nullptr) {
        line_ = otherLines_->make(method_);
        if (line_->open(error)) {
            // A fresh line must not key the radio, whatever state it was left in.
            std::string ignored;
            line_->setKeyed(false, ignored);
            return true;
        }
        line_.reset();
    }
    messages_.showMessage(kLineCaption, error, MessageIcon::Stop);
    return false;
}

bool PttPort::openCurrent()
{
    // Never two ports at once: a second open would leave the first one's lines
    // wherever they were.
    lines_.close();
    line_.reset();
    if (way_ == Choice::Way::Vox)
        return true;
    if (way_ == Choice::Way::Line)
        return openLine();
    const bool opened = devicePath_.empty() ? lines_.open(portNumber_) : lines_.openLocation(devicePath_);
    if (!opened) {
        messages_.showMessage(kFailureCaption, kFailureText, MessageIcon::Stop);
        return false;
    }
    // Opening raises DTR and RTS on some systems: a fresh port must not key the radio.
    release();
    return true;
}

int PttPort::portNumberFromText(const std::string& text)
{
    // Only the last character counts: "COM12" is port 2, "none" is no port.
    if (text.empty())
        return 0;
    const char last = text.back();
    return (last >= '1' && last <= '9') ? last - '0' : 0;
}

bool PttPort::isDevicePath(const std::string& text)
{
    return hostSerialNaming() == SerialNaming::ListedDevicePaths && !text.empty() && text.front() == '/';
}

int PttPort::choose(PttWindowControls& window, TextChooser& chooser)
{
    // The pop-up leaves the window usable: keep a transmission from starting and a
    // second selection from opening while the port is being chosen.
    window.setPttButtonEnabled(false);
    window.setToggleEnabled(false);

    // A device chosen by its path, or another keying method, is offered as it was
    // typed, so Enter keeps it.
    const std::string initialText = way_ != Choice::Way::SerialPort ? methodText_
                                    : devicePath_.empty()            ? "COM " + std::to_string(portNumber_)
                                                                     : devicePath_;
    std::string chosen = chooser.run(kChooserPrompt, initialText, portChoices(), kChooserCaption);
    if (chosen.empty())
        chosen = initialText;
    const Choice choice = parseChoice(chosen);

    window.setPttButtonEnabled(true);
    window.setToggleEnabled(true);

    if (choice.way == Choice::Way::Invalid) {
        // The radio stays keyed as it was chosen before; the text is not taken.
        messages_.showMessage(kLineCaption, choice.error, MessageIcon::Stop);
        return 0;
    }
    apply(chosen);
    lines_.close();
    return openCurrent() ? 1 : 0;
}

bool PttPort::select(const std::string& text)
{
    if (parseChoice(text).way == Choice::Way::Invalid)
        return false;
    apply(text);
    return true;
}

void PttPort::apply(const std::string& text)
{
    const Choice choice = parseChoice(text);
    way_ = choice.way;
    method_ = choice.method;
    methodText_.clear();
    devicePath_.clear();
    portNumber_ = 0;
    if (way_ != Choice::Way::SerialPort) {
        methodText_ = text;
    } else if (isDevicePath(text)) {
        devicePath_ = text;
    } else {
        portNumber_ = portNumberFromText(text);
    }
}

std::string PttPort::choiceText() const
{
    if (way_ != Choice::Way::SerialPort)
        return methodText_;
    if (!devicePath_.empty())
        return devicePath_;
    return portNumber_ == 0 ? "none" : "COM" + std::to_string(portNumber_);
}

std::string PttPort::deviceName() const
{
    if (way_ == Choice::Way::Vox)
        return "VOX";
    if (way_ == Choice::Way::Line)
        return line_ ? methodText_ : std::string{};
    return lines_.deviceName();
}
