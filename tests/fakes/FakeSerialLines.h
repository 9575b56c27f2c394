#pragma once
// Stands in for a serial port's control lines: ptys have no modem lines, so tests
// watch what would have reached the radio. Records every open, close and line
// change in order; only the ports listed in `existing` can be opened.

#include "SerialLines.h"

#include <set>
#include <string>
#include <vector>

struct FakeSerialLines : SerialLines {
    std::set<int> existing{1, 2, 3, 4, 5, 6, 7, 8, 9};
    // "open 3", "open 3 failed", "close", "dtr on", "dtr off", "rts on", "rts off";
    // a line change without an open port is logged with " (no port)" appended.
    std::vector<std::string> events;
    int openPort = 0;  // 0 when none is open
    bool dtr = false;
    bool rts = false;

    bool open(int portNumber) override
    {
        if (openPort != 0 || existing.count(portNumber) == 0) {
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
    void close() override
    {
        if (openPort == 0)
            return;
        events.push_back("close");
        openPort = 0;
    }
    bool isOpen() const override { return openPort != 0; }
    void setDtr(bool asserted) override
    {
        events.push_back(std::string("dtr ") + (asserted ? "on" : "off") + (openPort ? "" : " (no port)"));
        if (openPort)
            dtr = asserted;
    }
    void setRts(bool asserted) override
    {
        events.push_back(std::string("rts ") + (asserted ? "on" : "off") + (openPort ? "" : " (no port)"));
        if (openPort)
            rts = asserted;
    }
    std::string deviceName() const override
    {
        return openPort ? "/dev/ttyFAKE" + std::to_string(openPort - 1) : std::string();
    }
    bool keyed() const { return openPort != 0 && dtr && rts; }
};
