// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Starts the system's volume control (pavucontrol, the sound control panel, Audio
// MIDI Setup) as a detached process, without waiting; if it cannot start, nothing
// happens. Threads: window thread only.

#include "platform/VolumeControl.h"

class QtVolumeControl final : public VolumeControl {
public:
    void start(VolumeView view) override;
};
