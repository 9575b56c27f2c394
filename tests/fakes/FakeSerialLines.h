// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Stands in for a serial port's control lines: ptys have no modem lines, so tests
// watch what would have reached the radio. Records every open, close and line
// change in order; only the ports listed in `existing` and the devices listed in
// `existingPaths` can be opened.

#include "platform/SerialLines.h"

#include <set>
#include <string>
#include <vector>

struct FakeSerialLines : SerialLines {
    std::set<int> existing{1, 2, 3, 4, 5, 6, 7, 8, 9};
    std::set<std::string> existingPaths;
    // "open 3", "open 3 failed", "open /dev/x", "close", "dtr on", "dtr off",
    // "rts on", "rts off"; a line change without an open port is logged with
    // " (no port)" appended.
    std::vector<std::string> events;
    int openPort = 0;        // 0 when none is open or a device was opened by path
    std::string openPath;    // the device opened by path, else empty
    bool dtr = false;
    bool rts = false;

    bool open(int portNumber) override
    {
        if (isOpen() || existing.count(portNumber) == 0) {
            events.push_back("open " + std::to_string(portNumber) + " failed");
            return false;
        }
        events.push_back("open " + std::to_string(portNumber));
        openPort = portNumber;
        // A freshly opened port on Linux raises both lines until told otherwise.
        dtr = true;
        rts = true;
        return true;
    }
    bool openLocation(const std::string& location) override
    {
        if (isOpen() || existingPaths.count(location) == 0) {
            events.push_back("open " + location + " failed");
            return false;
        }
        events.push_back("open " + location);
        openPath = location;
        dtr = true;
        rts = true;
        return true;
    }
    void close() override
    {
        if (!isOpen())
            return;
        events.push_back("close");
        openPort = 0;
        openPath.clear();
    }
    bool isOpen() const override { return openPort != 0 || !openPath.empty(); }
    void setDtr(bool asserted) override
    {
        events.push_back(std::string("dtr ") + (asserted ? "on" : "off") + (isOpen() ? "" : " (no port)"));
        if (isOpen())
            dtr = asserted;
    }
    void setRts(bool asserted) override
    {
        events.push_back(std::string("rts ") + (asserted ? "on" : "off") + (isOpen() ? "" : " (no port)"));
        if (isOpen())
            rts = asserted;
    }
    std::string deviceName() const override
    {
        if (!openPath.empty())
            return openPath;
        return openPort ? "/dev/ttyFAKE" + std::to_string(openPort - 1) : std::string();
    }
    bool keyed() const { return isOpen() && dtr && rts; }
};
