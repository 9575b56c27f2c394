// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Serial control lines that log every open, close and line change into a list
// shared with the fake sound card, so the order of PTT and audio shows.

#include "platform/SerialLines.h"

#include <set>
#include <string>
#include <vector>

struct LoggingSerialLines : SerialLines {
    explicit LoggingSerialLines(std::vector<std::string>* log) : log(log) {}
    std::vector<std::string>* log;
    std::set<int> existing{1, 2, 3};
    int openPort = 0;
    std::string openPath;
    bool dtr = false;
    bool rts = false;

    // Any device path opens, and counts as port 99 for the line changes.
    bool openLocation(const std::string& location) override
    {
        if (openPort != 0)
            return false;
        log->push_back("serial open " + location);
        openPort = 99;
        openPath = location;
        dtr = rts = true;
        return true;
    }
    bool open(int portNumber) override
    {
        if (openPort != 0 || existing.count(portNumber) == 0) {
            log->push_back("serial open " + std::to_string(portNumber) + " failed");
            return false;
        }
        log->push_back("serial open " + std::to_string(portNumber));
        openPort = portNumber;
        dtr = rts = true;  // as a freshly opened port on Linux
        return true;
    }
    void close() override
    {
        if (openPort != 0)
            log->push_back("serial close");
        openPort = 0;
        openPath.clear();
    }
    bool isOpen() const override { return openPort != 0; }
    void setDtr(bool on) override
    {
        if (openPort == 0)
            return;
        dtr = on;
        log->push_back(on ? "dtr on" : "dtr off");
    }
    void setRts(bool on) override
    {
        if (openPort == 0)
            return;
        rts = on;
        log->push_back(on ? "rts on" : "rts off");
    }
    std::string deviceName() const override
    {
        if (!openPath.empty())
            return openPath;
        return openPort ? "/dev/ttyFAKE" + std::to_string(openPort) : "";
    }
};
