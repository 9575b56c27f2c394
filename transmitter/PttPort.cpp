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

// What the operator may pick; anything typed is taken too.
const std::vector<std::string>& portChoices()
{
    static const std::vector<std::string> choices{"none", "COM1", "COM2", "COM3", "COM4",
                                                  "COM5", "COM6", "COM7", "COM8", "COM9"};
    return choices;
}

}  // namespace

PttPort::PttPort(SerialLines& lines, OperatorMessages& messages) : lines_(lines), messages_(messages) {}

void PttPort::key()
{
    if (!lines_.isOpen())
        return;
    lines_.setDtr(true);
    lines_.setRts(true);
}

void PttPort::release()
{
    if (!lines_.isOpen())
        return;
    lines_.setDtr(false);
    lines_.setRts(false);
}

bool PttPort::openCurrent()
{
    // Never two ports at once: a second open would leave the first one's lines
    // wherever they were.
    lines_.close();
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

    // A device chosen by its path is offered as it was typed, so Enter keeps it.
    const std::string initialText = devicePath_.empty() ? "COM " + std::to_string(portNumber_) : devicePath_;
    std::string chosen = chooser.run(kChooserPrompt, initialText, portChoices(), kChooserCaption);
    if (chosen.empty())
        chosen = initialText;
    if (isDevicePath(chosen)) {
        devicePath_ = chosen;
        portNumber_ = 0;
    } else {
        devicePath_.clear();
        portNumber_ = portNumberFromText(chosen);
    }

    window.setPttButtonEnabled(true);
    window.setToggleEnabled(true);

    lines_.close();
    return openCurrent() ? 1 : 0;
}

std::string PttPort::deviceName() const
{
    return lines_.deviceName();
}
