// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The serial port whose DTR and RTS lines key the radio's PTT, and the operator's
// choice of it ("none", "COM1".."COM9"). Where serial ports are device files the
// operator may also type a device's path ("/dev/ttyUSB0", or a name under
// /dev/serial/by-id that stays with the cable). By itself the port starts as
// port 1; the window may hand it the operator's remembered choice.
//
// Typed into the same field, the radio may also be keyed another way:
//   rigctld:HOST:PORT        by CAT through a running Hamlib rigctld
//   hamlib:MODEL:PORT[:BAUD] by CAT through Hamlib, straight to the rig
//   cm108:PATH[:GPIO]        by a GPIO pin (3 unless given) of a CM108 interface
//   vox                      not at all: the radio keys itself on the audio
// Those lines come from a PttLineFactory. A line that fails to key is released
// again at once and the operator told; one that fails to release is tried again
// and the operator warned. Window thread only.

#include "platform/PttLine.h"
#include "transmitter/PttKeyer.h"

#include <memory>
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

    // What a typed text asks for. Texts that begin with none of the keying
    // methods' names (rigctld:, hamlib:, cm108:, vox) are serial ports, as ever.
    struct Choice {
        enum class Way { SerialPort, Vox, Line, Invalid };
        Way way = Way::SerialPort;
        PttMethod method;   // for Line
        std::string error;  // for Invalid: what is wrong with the text
    };
    static Choice parseChoice(const std::string& text);

    PttPort(SerialLines& lines, OperatorMessages& messages, PttLineFactory* otherLines = nullptr);
    ~PttPort() override;

    void key() override;
    void release() override;
    // Opens the chosen device, or else the port of portNumber(); on failure shows
    // "Failure to open comport".
    bool openCurrent();
    // The "PTT port" button: asks for a port, closes the open one, opens the choice.
    // Returns 1 when a port was opened, else 0.
    int choose(PttWindowControls& window, TextChooser& chooser);

    // Takes a choice as typed (a remembered one, or from the command line) without
    // opening it; false, and nothing changed, for a text no keying method accepts.
    bool select(const std::string& text);
    // The choice as the operator would type it again: "COM1", "none", a device
    // path, or the keying method's text.
    std::string choiceText() const;

    int portNumber() const { return portNumber_; }  // 0 while a device path or another method is chosen
    const std::string& devicePath() const { return devicePath_; }  // empty for COMn
    std::string deviceName() const;  // the open port's system name, empty when none

    // The port a chosen text names: its last character if that is a digit 1-9, else 0.
    static int portNumberFromText(const std::string& text);
    // True for a text naming a device by its path: one beginning with '/', where
    // the system names serial ports by device paths. Every other text is read as
    // a port number.
    static bool isDevicePath(const std::string& text);

private:
    void apply(const std::string& text);  // the selection part of select() and choose()
    bool openLine();

    SerialLines& lines_;
    OperatorMessages& messages_;
    PttLineFactory* otherLines_;
    int portNumber_ = kStartPortNumber;
    std::string devicePath_;
    Choice::Way way_ = Choice::Way::SerialPort;
    PttMethod method_;
    std::string methodText_;  // as typed, for Vox and Line
    std::unique_ptr<PttLine> line_;  // open while a Line is chosen and reachable
};
