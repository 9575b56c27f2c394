// SPDX-License-Identifier: GPL-3.0-or-later
// Draws the transmitter window as an operator sees it in the middle of a QSO and
// saves it as a PNG (for the documentation):
//   transmitter-screenshot OUT.png
// The sound card and the serial port are stand-ins; nothing is sent.

#include "platform/OtherStationCall.h"
#include "tests/fakes/FakeAudioOutputDevice.h"
#include "tests/transmitter/FakeChooser.h"
#include "tests/transmitter/FakeVolumeControl.h"
#include "tests/transmitter/LoggingSerialLines.h"
#include "tests/transmitter/WatchingMessages.h"
#include "transmitter/TransmitterWindow.h"
#include "transmitter/TxAudioStream.h"

#include <QApplication>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>

#include <iostream>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    if (argc != 2) {
        std::cerr << "usage: transmitter-screenshot OUT.png\n";
        return 2;
    }
    // Settings of this run only, with the other station's call as the receiver
    // would have shared it.
    QTemporaryDir settingsFolder;
    QStandardPaths::setTestModeEnabled(true);
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsFolder.path());
    OtherStationCall().set(QStringLiteral("DL0MSK"));

    std::vector<std::string> log;
    FakeAudioOutputDevice audio(&log);
    LoggingSerialLines serial(&log);
    WatchingMessages messages;
    FakeVolumeControl volume;
    FakeChooser chooser;
    TransmitterWindow window({audio, serial, messages, volume, chooser});
    window.initialise();
    window.showCentred();
    window.entry()->setPlainText(QStringLiteral("CQ CQ CQ de DL0MSK DL0MSK pse k\nDL0MSK de G4XYZ: good morning, "
                                                "rig is 50 W into a dipole, name Jo, QTH near York."));
    window.stream().toggle();
    audio.deliverOpen();
    audio.playAndReturn(330);  // the call and part of the answer on the air
    window.endOver();          // Ctrl+R

    int status = 0;
    QTimer::singleShot(300, &window, [&] {
        if (!window.grab().save(QString::fromLocal8Bit(argv[1])))
            status = 1;
        QCoreApplication::exit(status);  // quit() would ask the transmitting window to close
    });
    application.exec();
    return status;
}
