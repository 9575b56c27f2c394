// msk-transmitter: types text onto the air. Wires the window to the sound card
// (PortAudio), the PTT serial port (Qt SerialPort), message boxes, the system's
// volume control and the port selection pop-up.

#include "platform/PortAudioOutputDevice.h"
#include "platform/QtOperatorMessages.h"
#include "platform/QtSerialLines.h"
#include "platform/QtVolumeControl.h"
#include "platform/SystemPttLines.h"
#include "platform/TerminationRequests.h"
#include "transmitter/PttOption.h"
#include "transmitter/SelectionPopup.h"
#include "transmitter/TransmitterWindow.h"

#include <QApplication>

int main(int argc, char** argv)
{
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
