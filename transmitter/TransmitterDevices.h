// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The outside world of the transmitter window: the sound card, the serial port that
// keys the radio, message boxes, the system's volume control and the port chooser.
// main() passes the real ones, tests pass fakes. All are used on the window thread.

class AudioOutputDevice;
class OperatorMessages;
class PttLineFactory;
class SerialLines;
class TextChooser;
class VolumeControl;

struct TransmitterDevices {
    AudioOutputDevice& audio;
    SerialLines& serial;
    OperatorMessages& messages;
    VolumeControl& volume;
    TextChooser& chooser;
    // PTT by Hamlib or a CM108 interface; without it only serial ports and VOX key.
    PttLineFactory* pttLines = nullptr;
};
