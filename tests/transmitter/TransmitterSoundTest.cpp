// The transmitter window end to end through a real sound server: text typed before
// and after "Turn On" (with a correction) is played through PortAudio into the null
// sink "radio", recorded from its monitor with parecord and decoded by
// msk-modem decode. Run through tests/sound/with-sound-server.sh.

#include "PortAudioOutputDevice.h"
#include "TransmitterWindow.h"
#include "TxAudioStream.h"
#include "WindowFakes.h"

#include <QAbstractButton>
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

struct Speed {
    const char* baud;
    int optionId;
    int bitMilliseconds;
};

}  // namespace

class TransmitterSoundTest : public QObject {
    Q_OBJECT

private slots:
    void sendsTypedTextThroughTheSoundServer_data();
    void sendsTypedTextThroughTheSoundServer();
};

void TransmitterSoundTest::sendsTypedTextThroughTheSoundServer_data()
{
    QTest::addColumn<QString>("baud");
    QTest::addColumn<int>("optionId");
    QTest::addColumn<int>("bitMilliseconds");
    QTest::newRow("31 baud") << QStringLiteral("31") << 2000 << 32;
    QTest::newRow("125 baud") << QStringLiteral("125") << 2002 << 8;
}

void TransmitterSoundTest::sendsTypedTextThroughTheSoundServer()
{
    QFETCH(QString, baud);
    QFETCH(int, optionId);
    QFETCH(int, bitMilliseconds);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString recording = dir.filePath(QStringLiteral("radio.raw"));

    std::vector<std::string> log;
    PortAudioOutputDevice audio;
    LoggingSerialLines serial(&log);
    WatchingMessages messages;
    FakeVolumeControl volume;
    FakeChooser chooser;
    TransmitterWindow window({audio, serial, messages, volume, chooser});
    window.initialise();
    window.show();
    auto* toggle = qobject_cast<QAbstractButton*>(window.control(TransmitterWindow::kToggleId));
    qobject_cast<QAbstractButton*>(window.control(optionId))->click();

    QProcess recorder;
    recorder.setStandardOutputFile(recording);
    recorder.start(QStringLiteral("parecord"),
                   {QStringLiteral("--raw"), QStringLiteral("--format=s16le"),
                    QStringLiteral("--rate=%1").arg(kRecordRate), QStringLiteral("--channels=1"),
                    QStringLiteral("--device=radio.monitor"), QStringLiteral("--latency-msec=20")});
    QVERIFY(recorder.waitForStarted());
    QTest::qWait(500);

    // Typed while idle: waits in the entry for the transmission.
    QTest::keyClicks(window.entry(), "cq cq de msk1 ");
    toggle->click();
    QVERIFY2(messages.shown.empty(), messages.shown.empty() ? "" : messages.shown[0].text.c_str());
    QVERIFY(QTest::qWaitFor([&] { return toggle->text() == QStringLiteral("Turn Off"); }, 5000));

    // Typed while sending, with a typing error corrected once the wrong letter has
    // gone into the queue, so that a backspace goes on the air. The queue follows
    // the entry by length at each bit, so it must see the shorter text before the
    // operator types on.
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
    QTest::qWait(300);
    recorder.terminate();
    QVERIFY(recorder.waitForFinished(5000));

    QProcess decoder;
    decoder.setStandardInputFile(recording);
    decoder.start(QStringLiteral(MSK_MODEM_PATH),
                  {QStringLiteral("decode"), QStringLiteral("--baud"), baud, QStringLiteral("--input-rate"),
                   QString::number(kRecordRate), QStringLiteral("-")});
    QVERIFY(decoder.waitForFinished(60000));
    QCOMPARE(decoder.exitCode(), 0);
    const QString text = QString::fromUtf8(decoder.readAllStandardOutput());
    qInfo("decoded at %s baud: \"%s\"", qPrintable(baud), qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("cq cq de msk1 test xy k")), qPrintable(text));
    QVERIFY(!text.contains(QStringLiteral("xyz")));
}

QTEST_MAIN(TransmitterSoundTest)
#include "TransmitterSoundTest.moc"
