// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/QtSerialLines.h"

#include "platform/SerialPortLocation.h"

#include <QSerialPort>
#include <QSerialPortInfo>

QtSerialLines::QtSerialLines() : port_(std::make_unique<QSerialPort>()) {}

QtSerialLines::~QtSerialLines() = default;  // QSerialPort closes an open port

bool QtSerialLines::open(int portNumber)
{
    std::vector<std::string> listed;
    if (hostSerialNaming() == SerialNaming::ListedDevicePaths) {
        for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
            listed.push_back(info.systemLocation().toStdString());
    }
    const std::string location = serialPortLocation(portNumber, hostSerialNaming(), listed);
    if (location.empty())
        return false;
    return openLocation(location);
}

bool QtSerialLines::openLocation(const std::string& location)
{
    close();
    if (location.empty())
        return false;
    port_->setPortName(QString::fromStdString(location));
    // QSerialPort opens exclusively (a lock file and TIOCEXCL on Unix, no sharing
    // on Windows) and refuses anything that is not a serial device.
    if (!port_->open(QIODevice::ReadWrite))
        return false;
    location_ = location;
    return true;
}

void QtSerialLines::close()
{
    if (port_->isOpen())
        port_->close();
    location_.clear();
}

bool QtSerialLines::isOpen() const
{
    return port_->isOpen();
}

void QtSerialLines::setDtr(bool asserted)
{
    if (port_->isOpen())
        port_->setDataTerminalReady(asserted);
}

void QtSerialLines::setRts(bool asserted)
{
    // Qt opens the port without flow control, so RTS is ours to drive.
    if (port_->isOpen())
        port_->setRequestToSend(asserted);
}

std::string QtSerialLines::deviceName() const
{
    return port_->isOpen() ? location_ : std::string{};
}
