// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A sound server's device lists as a test sets them, or a server that cannot be
// asked (`failure` not empty).

#include "platform/SoundDevices.h"

#include <string>
#include <vector>

struct FakeSoundDeviceList : SoundDeviceList {
    std::vector<SoundDevice> inputs;
    std::vector<SoundDevice> outputs;
    std::string failure;
    int calls = 0;

    bool list(SoundDirection direction, std::vector<SoundDevice>& devices, std::string& error) override
    {
        ++calls;
        devices.clear();
        error = failure;
        if (!failure.empty())
            return false;
        devices = direction == SoundDirection::Input ? inputs : outputs;
        return true;
    }
};
