// SPDX-License-Identifier: GPL-3.0-or-later
// The transmitter window end to end through a real sound server: text typed before
// and after "Turn On" (with a correction) is played through PortAudio into the null
// sink "radio", recorded from its monitor with parecord and decoded by
// msk-modem decode, and into the receiver window's pane. Run through
// tests/sound/with-sound-server.sh.

#include "modem/receive/ReceiveDemodulator.h"
#include "platform/PortAudioInputDevice.h"
#include "platform/PortAudioOutputDevice.h"
#include "receiver/ReceivedTextEdit.h"
#include "receiver/ReceiverWindow.h"
#include "tests/transmitter/FakeChooser.h"
#include "tests/transmitter/FakeVolumeControl.h"
#include "tests/transmitter/LoggingSerialLines.h"
#include "tests/transmitter/TransmitterTestSettings.h"
#include "tests/transmitter/WatchingMessages.h"
#include "transmitter/TransmitterWindow.h"
#include "transmitter/TxAudioStream.h"

#include <QAbstractButton>
#include <QApplication>
#include <QPlainTextEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#ifndef MSK_MODEM_PATH
#error "MSK_MODEM_PATH names the msk-modem program"
#endif

namespace {

constexpr int kRecordRate = 8000;  // samples per second, as the receiver records
constexpr const char* kLeadIn = "ryryryry ";
constexpr const char* kExpected = "cq cq de msk1 test xy k";

// What the operator does: chooses the speed, types a call before "Turn On" and more
// after it, corrects a typing error once the wrong letter has gone into the queue
// (so that a backspace goes on the air), waits until everything has been sent and
// turns the transmitter off.
void transmit(TransmitterWindow& window, const WatchingMessages& messages, int optionId, int bitMilliseconds)
{
    auto* toggle = qobject_cast<QAbstractButton*>(window.control(TransmitterWindow::kToggleId));
    qobject_cast<QAbstractButton*>(window.control(optionId))->click();

    // Typed while idle: waits in the entry for the transmission. The receiver's
    // bit clock starts wherever the recording happened to begin and pulls in only
    // on bit changes, which the steady preamble has none of; the lead-in gives it
    // those before the text that is checked.
    QTest::keyClicks(window.entry(), QString::fromLatin1(kLeadIn) + QStringLiteral("cq cq de msk1 "));
    toggle->click();
    QVERIFY2(messages.shown.empty(), messages.shown.empty() ? "" : messages.shown[0].text.c_str());
    QVERIFY(QTest::qWaitFor([&] { return toggle->text() == QStringLiteral("Turn Off"); }, 5000));

    // The queue follows the entry by length at each bit, so it must see the
    // shorter text before the operator types on.
    TxBitQueue& queue = window.bitQueue();
    QTest::keyClicks(window.entry(), "test xyz");
    const auto typedSoFar = static_cast<std::int64_t>(window.entry()->toPlainText().size());
    QVERIFY(QTest::qWaitFor([&] { return queue.textTaken() == typedSoFar; }, 30000));
    QTest::keyClick(window.entry(), Qt::Key_Backspace);
    QVERIFY(QTest::qWaitFor([&] { return queue.textTaken() == typedSoFar - 1; }, 30000));
    QTest::qWait(3 * bitMilliseconds);
    QTest::keyClicks(window.entry(), " k");

    // Wait until the queue has taken everything, then for its bits (and a few idle
    // units) to be handed out and to leave the 42 buffers in flight.
    const auto typed = static_cast<std::int64_t>(window.entry()->toPlainText().size());
    QVERIFY(QTest::qWaitFor([&] { return queue.textTaken() == typed; }, 60000));
    const std::int64_t lastTextBit = queue.queuedBits();
    QVERIFY(QTest::qWaitFor([&] { return queue.readPos() > lastTextBit + 36; }, 60000));
    QTest::qWait((TxAudioStream::kBufferCount + 4) * bitMilliseconds + 500);

    toggle->click();
    QVERIFY(QTest::qWaitFor([&] { return toggle->text() == QStringLiteral("Turn On"); }, 5000));
}

// The transmitter on the real sound card, with the other devices as stand-ins.
struct SoundTransmitter {
    std::vector<std::string> log;
    PortAudioOutputDevice audio;
    LoggingSerialLines serial{&log};
    WatchingMessages messages;
    FakeVolumeControl volume;
    FakeChooser chooser;
    TransmitterWindow window{{audio, serial, messages, volume, chooser}};

    SoundTransmitter()
    {
        window.initialise();
        window.show();
    }
};

// parecord on the "radio" sink's monitor, at the receiver's rate, into a file.
struct SinkRecording {
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("radio.raw"));
    QProcess recorder;

    void start()
    {
        QVERIFY(dir.isValid());
        recorder.setStandardOutputFile(path);
        recorder.start(QStringLiteral("parecord"),
                       {QStringLiteral("--raw"), QStringLiteral("--format=s16le"),
                        QStringLiteral("--rate=%1").arg(kRecordRate), QStringLiteral("--channels=1"),
                        QStringLiteral("--device=radio.monitor"), QStringLiteral("--latency-msec=20")});
        QVERIFY(recorder.waitForStarted());
        QTest::qWait(500);
    }
    // Stops recording and returns what msk-modem decode reads from it (empty, with
    // the test failed, when it cannot).
    QString decoded(const QString& baud)
    {
        QTest::qWait(300);
        recorder.terminate();
        if (!recorder.waitForFinished(5000))
            return {};
        QProcess decoder;
        decoder.setStandardInputFile(path);
        decoder.start(QStringLiteral(MSK_MODEM_PATH),
                      {QStringLiteral("decode"), QStringLiteral("--baud"), baud, QStringLiteral("--input-rate"),
                       QString::number(kRecordRate), QStringLiteral("-")});
        if (!decoder.waitForFinished(60000) || decoder.exitCode() != 0)
            return {};
        const QString text = QString::fromUtf8(decoder.readAllStandardOutput());
        qInfo("decoded at %s baud: \"%s\"", qPrintable(baud), qPrintable(text));
        return text;
    }
};

void addSpeeds()
{
    QTest::addColumn<QString>("baud");
    QTest::addColumn<int>("optionId");          // transmitter
    QTest::addColumn<int>("receiverOptionId");
    QTest::addColumn<int>("bitMilliseconds");
    QTest::newRow("31 baud") << QStringLiteral("31") << 2000 << 3000 << 32;
    QTest::newRow("125 baud") << QStringLiteral("125") << 2002 << 3002 << 8;
}

}  // namespace

class TransmitterSoundTest : public QObject {
    Q_OBJECT

private slots:
    // Macros, callsign and the shared call of this run only.
    void initTestCase() { UseFreshTransmitterSettings(); }
    void decodesARecordingOfTheSink_data() { addSpeeds(); }
    void decodesARecordingOfTheSink();
    void showsTheTextInTheReceiverWindow_data() { addSpeeds(); }
    void showsTheTextInTheReceiverWindow();
    void anOverEndedByCtrlRGetsItsLastCharacterOut();
};

void TransmitterSoundTest::decodesARecordingOfTheSink()
{
    QFETCH(QString, baud);
    QFETCH(int, optionId);
    QFETCH(int, bitMilliseconds);

    SoundTransmitter tx;
    SinkRecording recording;
    recording.start();
    if (QTest::currentTestFailed())
        return;
    transmit(tx.window, tx.messages, optionId, bitMilliseconds);
    if (QTest::currentTestFailed())
        return;
    const QString text = recording.decoded(baud);
    QVERIFY2(text.contains(QString::fromLatin1(kExpected)), qPrintable(text));
    QVERIFY(!text.contains(QStringLiteral("xyz")));
}

// Both programs' windows in one process, as on one machine: the receiver records
// the sink's monitor while the transmitter plays into the sink.
void TransmitterSoundTest::showsTheTextInTheReceiverWindow()
{
    QFETCH(int, optionId);
    QFETCH(int, receiverOptionId);
    QFETCH(int, bitMilliseconds);

    PortAudioInputDevice input;
    WatchingMessages receiverMessages;
    FakeVolumeControl receiverVolume;
    ReceiverWindow receiver(input, receiverMessages, receiverVolume);
    receiver.show();
    qobject_cast<QAbstractButton*>(receiver.control(receiverOptionId))->click();
    qobject_cast<QAbstractButton*>(receiver.control(ReceiverWindow::kStartId))->click();
    QVERIFY2(receiverMessages.shown.empty(),
             receiverMessages.shown.empty() ? "" : receiverMessages.shown[0].text.c_str());
    // The transmitter starts only once recorded samples arrive: on a busy machine
    // the recording stream can take longer to start than a fixed wait.
    QTRY_VERIFY_WITH_TIMEOUT(receiver.receiveDemodulator().enhanced().bitState().bits > 0, 20000);

    SoundTransmitter tx;
    transmit(tx.window, tx.messages, optionId, bitMilliseconds);
    if (QTest::currentTestFailed())
        return;
    QTest::qWait(500);
    const QString text = receiver.textPane()->toPlainText();
    qInfo("receiver pane: \"%s\"", qPrintable(text));
    QVERIFY2(text.contains(QString::fromLatin1(kExpected)), qPrintable(text));
    QVERIFY(!text.contains(QStringLiteral("xyz")));
    receiver.close();
}

// Ctrl+R: the transmitter turns itself off once the text and the closing idle
// have played through the real device, and the other end still reads the last
// character. 125 baud, where the sound system's latency is the most bits.
void TransmitterSoundTest::anOverEndedByCtrlRGetsItsLastCharacterOut()
{
    SoundTransmitter tx;
    TransmitterWindow& window = tx.window;
    QApplication::setActiveWindow(&window);
    qobject_cast<QAbstractButton*>(window.control(2002))->click();  // 125 baud
    SinkRecording recording;
    recording.start();
    if (QTest::currentTestFailed())
        return;

    QTest::keyClicks(window.entry(), QString::fromLatin1(kLeadIn) + QStringLiteral("cq de msk1 k"));
    QTest::keyClick(window.entry(), Qt::Key_T, Qt::ControlModifier);
    QTest::keyClick(window.entry(), Qt::Key_R, Qt::ControlModifier);
    auto* toggle = qobject_cast<QAbstractButton*>(window.control(TransmitterWindow::kToggleId));
    QVERIFY(QTest::qWaitFor([&] { return toggle->text() == QStringLiteral("Turn Off"); }, 5000));
    // Nobody presses Turn Off.
    QVERIFY(QTest::qWaitFor([&] { return toggle->text() == QStringLiteral("Turn On"); }, 30000));
    QVERIFY(!tx.serial.dtr && !tx.serial.rts);
    QCOMPARE(window.charactersWaiting(), 0);
    const QString text = recording.decoded(QStringLiteral("125"));
    QVERIFY2(text.contains(QStringLiteral("cq de msk1 k")), qPrintable(text));
}

QTEST_MAIN(TransmitterSoundTest)
#include "TransmitterSoundTest.moc"
