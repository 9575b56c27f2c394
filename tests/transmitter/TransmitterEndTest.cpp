// SPDX-License-Identifier: GPL-3.0-or-later
// The transmitter asked by the system to end (SIGTERM) while a message box waits
// for the operator: the real boxes and signal handling, a sound card and serial
// port the test controls. The program must end as from the close box -- sound
// cut, PTT released -- instead of waiting for OK.

#include "platform/QtOperatorMessages.h"
#include "platform/TerminationRequests.h"
#include "tests/fakes/FakeAudioOutputDevice.h"
#include "tests/transmitter/TransmitterTestSettings.h"
#include "tests/transmitter/FakeChooser.h"
#include "tests/transmitter/FakeVolumeControl.h"
#include "tests/transmitter/LoggingSerialLines.h"
#include "tests/transmitter/TransmitterTestSettings.h"
#include "transmitter/TransmitterWindow.h"
#include "transmitter/TxAudioStream.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <csignal>
#include <functional>
#include <memory>

namespace {

QMessageBox* openBox()
{
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<QMessageBox*>(widget); box && box->isVisible())
            return box;
    return nullptr;
}

struct Program {
    std::vector<std::string> log;
    FakeAudioOutputDevice audio{&log};
    LoggingSerialLines serial{&log};
    QtOperatorMessages messages;
    FakeVolumeControl volume;
    FakeChooser chooser;
    // Before the window reads them: a first start, away from the operator's settings.
    bool freshSettings = (UseFreshTransmitterSettings(), true);
    TransmitterWindow window{TransmitterDevices{audio, serial, messages, volume, chooser}};
    TerminationRequests termination{[this] { window.requestProgramEnd(); }};
    bool stoppedFromOutside = false;
    QObject timers;  // last, so its timers go first

    Program()
    {
        // A program that does not end by itself is stopped after eight seconds.
        auto* watchdog = new QTimer(&timers);
        watchdog->setSingleShot(true);
        QObject::connect(watchdog, &QTimer::timeout, [this] {
            stoppedFromOutside = true;
            QCoreApplication::exit(1);
        });
        watchdog->start(8000);
    }
    // Polls every 10 ms, from whatever event loop runs, until `step` returns true.
    void whenever(const std::function<bool()>& step)
    {
        auto* timer = new QTimer(&timers);
        QObject::connect(timer, &QTimer::timeout, [timer, step] {
            if (step())
                timer->stop();
        });
        timer->start(10);
    }
    // SIGTERM as soon as a message box is up.
    void terminateOnceABoxIsUp(const std::function<void()>& before = {})
    {
        whenever([before] {
            if (!openBox())
                return false;
            if (before)
                before();
            std::raise(SIGTERM);
            return true;
        });
    }
    // The program's event loop: 0 when it ended by itself, 1 when stopped.
    int run() { return QApplication::exec(); }
    QAbstractButton* button(int id) const { return qobject_cast<QAbstractButton*>(window.control(id)); }
};

}  // namespace

class TransmitterEndTest : public QObject {
    Q_OBJECT

private slots:
    // Macros, callsign and the shared call of this run only.
    void initTestCase() { UseFreshTransmitterSettings(); }
    void aBoxOpenWhileIdle();
    void aBoxOpenWhileSending();
    void theBoxAtStartUp();
    void escsQuestionOpenWhileSending();
};

void TransmitterEndTest::aBoxOpenWhileIdle()
{
    // "none" as PTT port: "Failure to open comport" waits for OK.
    Program program;
    program.window.initialise();
    program.window.showCentred();
    program.chooser.answer = "none";
    QTimer::singleShot(0, &program.timers, [&] { program.button(TransmitterWindow::kPttPortId)->click(); });
    program.terminateOnceABoxIsUp();
    QCOMPARE(program.run(), 0);
    QVERIFY(program.window.hasEnded());
    QVERIFY(!openBox());
}

void TransmitterEndTest::aBoxOpenWhileSending()
{
    Program program;
    program.window.initialise();
    program.window.showCentred();
    program.button(TransmitterWindow::kToggleId)->click();
    program.audio.deliverOpen();
    program.audio.playAndReturn(10);
    QVERIFY(program.serial.dtr && program.serial.rts);
    QTimer::singleShot(0, &program.timers,
                       [&] { program.messages.showMessage("MSK transmitter", "A notice", MessageIcon::None); });
    bool keyedWhileTheBoxWasUp = false;
    program.terminateOnceABoxIsUp([&] {
        keyedWhileTheBoxWasUp = program.serial.dtr;
        program.log.clear();
    });
    // The sound card lets go once the sound is cut, as a real one does.
    program.whenever([&] {
        if (!program.window.stream().closeRequested())
            return false;
        program.audio.deliverDone();
        program.audio.play(2);  // the bit in play and the fall
        program.audio.deliverDone();
        program.audio.deliverClose();
        return true;
    });
    QCOMPARE(program.run(), 0);
    QVERIFY(keyedWhileTheBoxWasUp);
    QVERIFY(program.window.hasEnded());
    QVERIFY(!openBox());
    QVERIFY(!program.serial.dtr && !program.serial.rts);
    const auto at = [&](const std::string& event) { return std::find(program.log.begin(), program.log.end(), event); };
    QVERIFY(at("audio finish") < at("dtr off") && at("dtr off") < at("rts off") && at("rts off") != program.log.end());
}

void TransmitterEndTest::theBoxAtStartUp()
{
    // No COM1: the failure box comes up before the window, from initialise().
    Program program;
    program.serial.existing.clear();
    program.terminateOnceABoxIsUp();
    program.window.initialise();
    QVERIFY(!program.stoppedFromOutside);
    QVERIFY(program.window.programEndRequested());
    QVERIFY(!openBox());
    QVERIFY(!program.window.isVisible());
}

void TransmitterEndTest::escsQuestionOpenWhileSending()
{
    // Esc asks before quitting in the middle of an over; the system's request to
    // end must not wait for the answer.
    Program program;
    program.window.initialise();
    program.window.showCentred();
    program.button(TransmitterWindow::kToggleId)->click();
    program.audio.deliverOpen();
    program.audio.playAndReturn(10);
    QTimer::singleShot(0, &program.timers, [&] { QTest::keyClick(&program.window, Qt::Key_Escape); });
    QString asked;
    program.terminateOnceABoxIsUp([&] { asked = openBox()->text(); });
    program.whenever([&] {
        if (!program.window.stream().closeRequested())
            return false;
        program.audio.deliverDone();
        program.audio.play(2);  // the bit in play and the fall
        program.audio.deliverDone();
        program.audio.deliverClose();
        return true;
    });
    QCOMPARE(program.run(), 0);
    QVERIFY(asked.startsWith(QStringLiteral("Stop transmitting and quit?")));
    QVERIFY(program.window.hasEnded());
    QVERIFY(!openBox());
    QVERIFY(!program.serial.dtr && !program.serial.rts);
}

QTEST_MAIN(TransmitterEndTest)
#include "TransmitterEndTest.moc"
