// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The devices a transmitter window is built on, all fakes that note what was done
// to them in one log, for the window tests to build a window on.

#include "tests/fakes/FakeAudioOutputDevice.h"
#include "tests/transmitter/FakeChooser.h"
#include "tests/transmitter/FakeVolumeControl.h"
#include "tests/transmitter/LoggingSerialLines.h"
#include "tests/transmitter/WatchingMessages.h"
#include "transmitter/TransmitterDevices.h"

#include <string>
#include <vector>

struct FakeTransmitterStation {
    std::vector<std::string> log;
    FakeAudioOutputDevice audio{&log};
    LoggingSerialLines serial{&log};
    WatchingMessages messages;
    FakeVolumeControl volume;
    FakeChooser chooser;

    TransmitterDevices devices() { return TransmitterDevices{audio, serial, messages, volume, chooser}; }
};
