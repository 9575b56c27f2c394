// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The control lines of a serial port, used to key a radio's PTT. No data ever
// passes. Window thread only.
//
// Port numbers 1-9 stand for "COM1".."COM9": on Windows that port itself; elsewhere
// the n-th serial port the system lists, ordered by device path.

#include <string>

class SerialLines {
public:
    virtual ~SerialLines() = default;
    // Opens port n exclusively; false when it is absent or in use. n = 0 never opens.
    virtual bool open(int portNumber) = 0;
    // Opens a device by its system name ("/dev/ttyUSB0", "COM3") exclusively; false
    // when it is absent, in use or no serial device.
    virtual bool openLocation(const std::string& location) = 0;
    virtual void close() = 0;          // nothing when none is open
    virtual bool isOpen() const = 0;
    virtual void setDtr(bool asserted) = 0;  // nothing when none is open
    virtual void setRts(bool asserted) = 0;
    // The system's name of the open port ("/dev/ttyUSB0", "COM3"), empty when none.
    virtual std::string deviceName() const = 0;
};
