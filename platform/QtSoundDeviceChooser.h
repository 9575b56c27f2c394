// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// SoundDeviceChooser as a small modal list box over the active window.
// Window thread.

#include "platform/SoundDeviceSetting.h"

class QtSoundDeviceChooser final : public SoundDeviceChooser {
public:
    int choose(const std::string& title, const std::string& label, const std::vector<std::string>& names,
               int current) override;
};
