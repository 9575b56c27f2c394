// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The sound devices of the PulseAudio server (or of PipeWire's PulseAudio
// service): sinks for output, sources -- monitors of the sinks included -- for
// input. Each call connects, asks and disconnects, so a device plugged in since
// is listed; a server that does not answer within a few seconds counts as absent.
// Threads: the calling thread, which it blocks while it asks.

#include "platform/SoundDevices.h"

class PulseSoundDevices final : public SoundDeviceList {
public:
    bool list(SoundDirection direction, std::vector<SoundDevice>& devices, std::string& error) override;
};
