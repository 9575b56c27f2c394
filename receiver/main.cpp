// msk-receiver: records the radio's audio from the default recording device,
// demodulates and decodes it, and shows the text and a scope in one window.

#include "platform/PortAudioInputDevice.h"
#include "platform/PulseSoundDevices.h"
#include "platform/QtSoundDeviceChooser.h"
#include "platform/SoundDeviceChoice.h"
#include "platform/QtOperatorMessages.h"
#include "platform/QtVolumeControl.h"
#include "receiver/ReceiverWindow.h"

#include <QApplication>

#include <iostream>

int main(int argc, char** argv)
{
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
    QtSoundDeviceChooser soundDeviceChooser;
    window.UseSoundDevices(soundDevices, soundDeviceChooser, inputDevice);
    window.show();
    return app.exec();
}
