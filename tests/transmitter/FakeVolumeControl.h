// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Records each start of the volume control.

#include "platform/VolumeControl.h"

#include <vector>

struct FakeVolumeControl : VolumeControl {
    std::vector<VolumeView> started;
    void start(VolumeView view) override { started.push_back(view); }
};
