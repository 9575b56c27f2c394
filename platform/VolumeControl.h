// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Starts the system's volume control without waiting for it; a missing program is
// silently nothing. Window thread only.

enum class VolumeView { Playback, Recording };

class VolumeControl {
public:
    virtual ~VolumeControl() = default;
    virtual void start(VolumeView view) = 0;
};
