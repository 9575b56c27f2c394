// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The control lines of a serial port through Qt SerialPort, to key a radio's PTT.
// The port is opened for reading and writing, exclusively; no settings are made and
// no data passes (Qt itself puts its default line settings on the port while open
// and restores the old ones at close). On Linux the open raises DTR and RTS for a
// moment; the caller releases them right after.
// Threads: window thread only.

#include "platform/SerialLines.h"

#include <memory>
#include <string>

class QSerialPort;

class QtSerialLines final : public SerialLines {
public:
    QtSerialLines();
    ~QtSerialLines() override;
    QtSerialLines(const QtSerialLines&) = delete;
    QtSerialLines& operator=(const QtSerialLines&) = delete;

    bool open(int portNumber) override;
    bool openLocation(const std::string& location) override;  // open() uses it too
    void close() override;
    bool isOpen() const override;
    void setDtr(bool asserted) override;
    void setRts(bool asserted) override;
    std::string deviceName() const override;

private:
    std::unique_ptr<QSerialPort> port_;
    std::string location_;
};
