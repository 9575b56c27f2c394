// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The sound devices an operator can choose from, by the names the desktop shows
// ("USB Audio CODEC Analog Stereo", "Monitor of Radio Interface"). Each also has
// the sound server's own name, which stays the same while the device is unplugged
// and plugged in again, and is what a choice is remembered by.
// Threads: the window thread (or main() before the window exists); a call may
// wait a moment for the sound server.

#include <string>
#include <vector>

enum class SoundDirection { Input, Output };

struct SoundDevice {
    std::string description;  // the desktop's name
    std::string serverName;   // the sound server's name
};

class SoundDeviceList {
public:
    virtual ~SoundDeviceList() = default;
    // The devices of one direction in the server's order. false: the server could
    // not be asked; `error` says why.
    virtual bool list(SoundDirection direction, std::vector<SoundDevice>& devices, std::string& error) = 0;
};
