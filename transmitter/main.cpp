// SPDX-License-Identifier: GPL-3.0-or-later
// msk-transmitter: types text onto the air. Wires the window to the sound card
// (PortAudio), the PTT serial port (Qt SerialPort), message boxes, the system's
// volume control and the port selection pop-up.

#include "platform/PortAudioOutputDevice.h"
#include "platform/PulseSoundDevices.h"
#include "platform/QtSoundDeviceChooser.h"
#include "platform/SoundDeviceChoice.h"
#include "platform/QtOperatorMessages.h"
#include "platform/QtSerialLines.h"
#include "platform/QtVolumeControl.h"
#include "platform/SystemPttLines.h"
#include "platform/TerminationRequests.h"
#include "program/ProgramInfo.h"
#include "transmitter/PttOption.h"
#include "transmitter/SelectionPopup.h"
#include "transmitter/TransmitterOptions.h"
#include "transmitter/TransmitterWindow.h"

#include <QApplication>

#include <iostream>

namespace {

// The command line, one row per option.
constexpr program::OptionHelp kOptions[] = {
    {"--output-device TEXT", "play on the one device whose name contains TEXT\n(letter case ignored), for this run only"},
    {"--list-devices", "print the playback devices' names, one a line, and exit"},
    {"--callsign CALL", "your callsign for <MYCALL> in this run (instead of\nthe one in Operate > Macros...)"},
    {"-platform NAME", "Qt's window system: xcb, wayland or offscreen"},
    {"-display DISPLAY", "Qt's X display to open the window on"},
};

constexpr program::ProgramHelp kHelp{
    "msk-transmitter",
    "[OPTION]...",
    "Send typed text as an MSK/Varicode signal through the default playback device,\n"
    "keying the radio's push-to-talk with the DTR and RTS lines of a serial port.",
    kOptions,
    "At start the PTT port is COM1, the first serial port the system lists; the\n"
    "window's PTT port button chooses another, or none.",
};

}  // namespace

int main(int argc, char** argv)
{
    if (const auto answer = program::answerInfoRequest(argc, argv, kHelp, std::cout, std::cerr))
        return *answer;
    // --list-devices and --output-device TEXT, before anything needs a display.
    PulseSoundDevices soundDevices;
    std::optional<SoundDevice> outputDevice;
    if (const auto status = applySoundDeviceOptions({argv + 1, argv + argc}, SoundDirection::Output, soundDevices,
                                                    "msk-transmitter", std::cout, std::cerr, outputDevice))
        return *status;

    QApplication application(argc, argv);

    PortAudioOutputDevice audio;
    QtSerialLines serial;
    QtOperatorMessages messages;
    QtVolumeControl volume;
    SelectionPopup popup;
    SystemPttLines pttLines;  // rigctld, Hamlib and CM108 keying

    TransmitterWindow window({audio, serial, messages, volume, popup, &pttLines});
    if (!applyPttOption(window, argc, argv))
        return 2;
    QtSoundDeviceChooser soundDeviceChooser;
    window.useSoundDevices(soundDevices, soundDeviceChooser, outputDevice);
    // kill, logout, Ctrl+C or a closed terminal end the program as the close box
    // does: a transmission is stopped and PTT released before the program goes.
    // Watched from the start, so a message box at start-up does not hold it either.
    TerminationRequests termination([&window] { window.requestProgramEnd(); });
    window.setMyCallOverride(ParseTransmitterOptions(QApplication::arguments()).callsign);
    window.initialise();
    if (window.programEndRequested())
        return 0;  // asked to end while the start-up message was up
    window.showCentred();
    return application.exec();
}
