// SPDX-License-Identifier: GPL-3.0-or-later
// msk-receiver: records the radio's audio from the default recording device,
// demodulates and decodes it, and shows the text and a scope in one window.

#include "platform/PortAudioInputDevice.h"
#include "platform/PulseSoundDevices.h"
#include "platform/QtSoundDeviceChooser.h"
#include "platform/SoundDeviceChoice.h"
#include "platform/QtOperatorMessages.h"
#include "platform/QtVolumeControl.h"
#include "program/ProgramInfo.h"
#include "receiver/ReceiverOptions.h"
#include "receiver/ReceiverWindow.h"

#include <QApplication>

#include <iostream>

namespace {

// The command line, one row per option.
constexpr program::OptionHelp kOptions[] = {
    {"--log-dir DIR", "write the received-text log into DIR instead of\n~/.local/share/msk-receiver/"},
    {"--input-device TEXT", "record from the one device whose name contains TEXT\n(letter case ignored), for this run only"},
    {"--list-devices", "print the recording devices' names, one a line, and exit"},
    {"-platform NAME", "Qt's window system: xcb, wayland or offscreen"},
    {"-display DISPLAY", "Qt's X display to open the window on"},
};

constexpr program::ProgramHelp kHelp{
    "msk-receiver",
    "[OPTION]...",
    "Receive MSK/Varicode text: record the radio's audio from the default recording\n"
    "device, demodulate and decode it, and show the text and a scope in a window.",
    kOptions,
    "The menu choices and the windows' places and sizes are remembered in\n"
    "~/.config/MSK modem/msk-receiver.conf.",
};

}  // namespace

int main(int argc, char** argv)
{
    if (const auto answer = program::answerInfoRequest(argc, argv, kHelp, std::cout, std::cerr))
        return *answer;
    // --list-devices and --input-device TEXT, before anything needs a display.
    PulseSoundDevices soundDevices;
    std::optional<SoundDevice> inputDevice;
    if (const auto status = applySoundDeviceOptions({argv + 1, argv + argc}, SoundDirection::Input, soundDevices,
                                                    "msk-receiver", std::cout, std::cerr, inputDevice))
        return *status;

    QApplication app(argc, argv);
    // The device outlives the window, so it can still be released when it closes.
    PortAudioInputDevice device;
    QtOperatorMessages messages;
    QtVolumeControl volume;
    ReceiverWindow window(device, messages, volume);
    if (!ApplyReceiverOptions(QApplication::arguments(), window))
        return 2;
    QtSoundDeviceChooser soundDeviceChooser;
    window.UseSoundDevices(soundDevices, soundDeviceChooser, inputDevice);
    window.show();
    return app.exec();
}
