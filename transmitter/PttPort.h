// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The serial port whose DTR and RTS lines key the radio's PTT, and the operator's
// choice of it ("none", "COM1".."COM9"). Where serial ports are device files the
// operator may also type a device's path ("/dev/ttyUSB0", or a name under
// /dev/serial/by-id that stays with the cable). The choice lives in memory only:
// every program start begins with port 1. Window thread only.

#include "transmitter/PttKeyer.h"

#include <string>

class OperatorMessages;
class SerialLines;
class TextChooser;

// The two buttons of the transmitter window that a port selection disables.
class PttWindowControls {
public:
    virtual ~PttWindowControls() = default;
    virtual void setPttButtonEnabled(bool enabled) = 0;
    virtual void setToggleEnabled(bool enabled) = 0;
};

class PttPort : public PttKeyer {
public:
    static constexpr int kStartPortNumber = 1;

    PttPort(SerialLines& lines, OperatorMessages& messages);

    void key() override;
    void release() override;
    // Opens the chosen device, or else the port of portNumber(); on failure shows
    // "Failure to open comport".
    bool openCurrent();
    // The "PTT port" button: asks for a port, closes the open one, opens the choice.
    // Returns 1 when a port was opened, else 0.
    int choose(PttWindowControls& window, TextChooser& chooser);

    int portNumber() const { return portNumber_; }  // 0 while a device path is chosen
    const std::string& devicePath() const { return devicePath_; }  // empty for COMn
    std::string deviceName() const;  // the open port's system name, empty when none

    // The port a chosen text names: its last character if that is a digit 1-9, else 0.
    static int portNumberFromText(const std::string& text);
    // True for a text naming a device by its path: one beginning with '/', where
    // the system names serial ports by device paths. Every other text is read as
    // a port number.
    static bool isDevicePath(const std::string& text);

private:
    SerialLines& lines_;
    OperatorMessages& messages_;
    int portNumber_ = kStartPortNumber;
    std::string devicePath_;
};
