// msk-receiver: records the radio's audio from the default recording device,
// demodulates and decodes it, and shows the text and a scope in one window.

#include "platform/PortAudioInputDevice.h"
#include "platform/QtOperatorMessages.h"
#include "platform/QtVolumeControl.h"
#include "receiver/ReceiverOptions.h"
#include "receiver/ReceiverWindow.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    // The device outlives the window, so it can still be released when it closes.
    PortAudioInputDevice device;
    QtOperatorMessages messages;
    QtVolumeControl volume;
    ReceiverWindow window(device, messages, volume);
    if (!ApplyReceiverOptions(QApplication::arguments(), window))
        return 2;
    window.show();
    return app.exec();
}
