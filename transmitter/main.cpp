// msk-transmitter: types text onto the air. Wires the window to the sound card
// (PortAudio), the PTT serial port (Qt SerialPort), message boxes, the system's
// volume control and the port selection pop-up.

#include "PortAudioOutputDevice.h"
#include "QtOperatorMessages.h"
#include "QtSerialLines.h"
#include "QtVolumeControl.h"
#include "SelectionPopup.h"
#include "TerminationRequests.h"
#include "TransmitterWindow.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);

    PortAudioOutputDevice audio;
    QtSerialLines serial;
    QtOperatorMessages messages;
    QtVolumeControl volume;
    SelectionPopup popup;

    TransmitterWindow window({audio, serial, messages, volume, popup});
    window.initialise();
    window.showCentred();
    // kill, logout, Ctrl+C or a closed terminal end the program as the close box
    // does: a transmission is stopped and PTT released before the program goes.
    TerminationRequests termination([&window] { window.close(); });
    return application.exec();
}
