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
#include "platform/TerminationRequests.h"
#include "transmitter/SelectionPopup.h"
#include "transmitter/TransmitterWindow.h"

#include <QApplication>

#include <iostream>

int main(int argc, char** argv)
{
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

    TransmitterWindow window({audio, serial, messages, volume, popup});
    QtSoundDeviceChooser soundDeviceChooser;
    window.useSoundDevices(soundDevices, soundDeviceChooser, outputDevice);
    // kill, logout, Ctrl+C or a closed terminal end the program as the close box
    // does: a transmission is stopped and PTT released before the program goes.
    // Watched from the start, so a message box at start-up does not hold it either.
    TerminationRequests termination([&window] { window.requestProgramEnd(); });
    window.initialise();
    if (window.programEndRequested())
        return 0;  // asked to end while the start-up message was up
    window.showCentred();
    return application.exec();
}
