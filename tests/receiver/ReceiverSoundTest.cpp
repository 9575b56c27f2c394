// SPDX-License-Identifier: GPL-3.0-or-later
// The receiver through a real sound server: the window with the PortAudio device
// presses "Start", a transmission made by `msk-modem encode` is played into the
// sink whose monitor is the default recording device, and its text must appear in
// the pane; and the server killed while recording, then started again, after which
// "Start" records once more. Run inside tests/sound/with-sound-server.sh.

#include "modem/receive/ReceiveDemodulator.h"
#include "modem/receive/standard/MskDemodulator.h"
#include "platform/PortAudioInputDevice.h"
#include "receiver/ReceivedTextEdit.h"
#include "receiver/ReceiverWindow.h"
#include "tests/fakes/FakeOperatorMessages.h"
#include "tests/receiver/ReceiverTestSupport.h"

#include <QAbstractButton>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/types.h>

namespace {

constexpr int kProcessTimeoutMs = 20000;
constexpr int kReceiveTimeoutMs = 30000;
constexpr int kServerTimeoutMs = 10000;

// The same private server as tests/sound/with-sound-server.sh starts, in the same
// HOME and XDG_RUNTIME_DIR.
const QStringList kServerArguments = {
    QStringLiteral("-n"), QStringLiteral("--daemonize=no"), QStringLiteral("--exit-idle-time=-1"),
    QStringLiteral("--disallow-exit"), QStringLiteral("-L"), QStringLiteral("module-native-protocol-unix"),
    QStringLiteral("-L"), QStringLiteral("module-cli-protocol-unix"), QStringLiteral("-L"),
    QStringLiteral("module-null-sink sink_name=radio rate=48000"), QStringLiteral("-L"),
    QStringLiteral("module-always-sink")};

bool ServerAnswers()
{
    QProcess info;
    info.start(QStringLiteral("pactl"), {QStringLiteral("info")});
    return info.waitForFinished(kProcessTimeoutMs) && info.exitStatus() == QProcess::NormalExit &&
           info.exitCode() == 0;
}

// The running server's process id, from its pid file.
qint64 ServerPid()
{
    QFile file(qEnvironmentVariable("XDG_RUNTIME_DIR") + QStringLiteral("/pulse/pid"));
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    return QString::fromLatin1(file.readAll()).trimmed().toLongLong();
}

// Writes the transmission for `text` at `baud` into a WAV file with msk-modem.
bool EncodeToFile(const QString& text, const QString& baud, const QString& path)
{
    QProcess encode;
    encode.start(QStringLiteral(MSK_MODEM_PATH), {QStringLiteral("encode"), QStringLiteral("--baud"), baud,
                                                  QStringLiteral("-o"), path, text});
    return encode.waitForFinished(kProcessTimeoutMs) && encode.exitStatus() == QProcess::NormalExit &&
           encode.exitCode() == 0;
}

}  // namespace

class ReceiverSoundTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("paplay")).isEmpty())
            QFAIL("paplay is needed (pulseaudio-utils)");
    }

    void textPlayedIntoTheSinkAppearsInThePane_data()
    {
        QTest::addColumn<int>("optionId");
        QTest::addColumn<QString>("baud");
        QTest::newRow("31 baud") << 3000 << QStringLiteral("31");
        QTest::newRow("125 baud") << 3002 << QStringLiteral("125");
    }

    void textPlayedIntoTheSinkAppearsInThePane()
    {
        QFETCH(int, optionId);
        QFETCH(QString, baud);
        const QString text = QStringLiteral("cq cq de test k");
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString wav = dir.filePath(QStringLiteral("cq.wav"));
        // The bit clock starts wherever recording began and pulls in only on bit
        // changes, which the steady preamble has none of: a lead-in gives it those
        // before the text that is checked.
        QVERIFY(EncodeToFile(QStringLiteral("ryryryry ") + text, baud, wav));

        UseFreshSettings();
        PortAudioInputDevice device;
        FakeOperatorMessages messages;
        FakeVolumeControl volume;
        ReceiverWindow window(device, messages, volume);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTest::mouseClick(ControlOf<QAbstractButton>(window, optionId), Qt::LeftButton);
        QTest::mouseClick(ControlOf<QAbstractButton>(window, ReceiverWindow::kStartId), Qt::LeftButton);
        for (const auto& shown : messages.shown)
            qWarning("message box: %s", shown.text.c_str());
        QVERIFY(messages.shown.empty());
        QVERIFY(!ControlOf<QAbstractButton>(window, ReceiverWindow::kStartId)->isEnabled());
        // Play only once recorded samples arrive: on a busy machine the stream can
        // take longer to start than the lead-in lasts at 125 baud (under a second).
        QTRY_VERIFY_WITH_TIMEOUT(window.receiveDemodulator().enhanced().bitState().bits > 0, kReceiveTimeoutMs);

        QProcess play;
        play.start(QStringLiteral("paplay"), {QStringLiteral("--device=radio"), wav});
        QVERIFY(play.waitForStarted(kProcessTimeoutMs));
        // On a failure, say what the pane holds and how the player fared.
        QTRY_VERIFY2_WITH_TIMEOUT(window.textPane()->toPlainText().contains(text),
                                  qPrintable(QStringLiteral("pane: \"%1\", paplay state %2, exit %3: %4")
                                                 .arg(window.textPane()->toPlainText())
                                                 .arg(static_cast<int>(play.state()))
                                                 .arg(play.exitCode())
                                                 .arg(QString::fromLocal8Bit(play.readAllStandardError()))),
                                  kReceiveTimeoutMs);
        play.waitForFinished(kProcessTimeoutMs);
        QVERIFY(window.close());
        QVERIFY(!device.isOpen());
    }

    // Last: it replaces the server that the script started with one of its own.
    void startRecordsAgainAfterTheSoundServerCameBack()
    {
        UseFreshSettings();
        PortAudioInputDevice device;
        FakeOperatorMessages messages;
        FakeVolumeControl volume;
        ReceiverWindow window(device, messages, volume);
        // At 1000 Hz a whole buffer (256 samples) turns the oscillator 32 whole
        // cycles; at 1001 Hz it moves on by 0.032, so its phase shows buffers arriving.
        window.TuneTo(1001.0);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        auto* start = ControlOf<QAbstractButton>(window, ReceiverWindow::kStartId);
        QTest::mouseClick(start, Qt::LeftButton);
        QVERIFY(messages.shown.empty());
        const double atStart = window.demodulator().oscillatorPhase();
        QTRY_VERIFY_WITH_TIMEOUT(window.demodulator().oscillatorPhase() != atStart, kServerTimeoutMs);

        const qint64 pid = ServerPid();
        QVERIFY(pid > 0);
        QCOMPARE(::kill(static_cast<pid_t>(pid), SIGTERM), 0);
        QTRY_COMPARE_WITH_TIMEOUT(messages.shown.size(), std::size_t{1}, kServerTimeoutMs);
        QCOMPARE(QString::fromStdString(messages.shown[0].title), QStringLiteral("MSK receiver"));
        QVERIFY(!messages.shown[0].text.empty());
        qInfo("the operator reads: %s", messages.shown[0].text.c_str());
        QVERIFY(!device.isOpen());
        QVERIFY(start->isEnabled());
        QCOMPARE(ControlOf<QAbstractButton>(window, ReceiverWindow::kToggleId)->text(), QStringLiteral("Stop"));

        QProcess server;
        server.setStandardOutputFile(QProcess::nullDevice());
        server.setStandardErrorFile(QProcess::nullDevice());
        server.start(QStringLiteral("pulseaudio"), kServerArguments);
        QVERIFY(server.waitForStarted(kProcessTimeoutMs));
        QTRY_VERIFY_WITH_TIMEOUT(ServerAnswers(), kServerTimeoutMs);
        QCOMPARE(QProcess::execute(QStringLiteral("pactl"), {QStringLiteral("set-default-source"),
                                                              QStringLiteral("radio.monitor")}),
                 0);

        QTest::mouseClick(start, Qt::LeftButton);
        for (const auto& shown : messages.shown)
            qWarning("message box: %s", shown.text.c_str());
        QCOMPARE(messages.shown.size(), std::size_t{1});
        QVERIFY(device.isOpen());
        QVERIFY(!start->isEnabled());
        const double afterRestart = window.demodulator().oscillatorPhase();
        QTRY_VERIFY_WITH_TIMEOUT(window.demodulator().oscillatorPhase() != afterRestart, kServerTimeoutMs);
        QVERIFY(window.close());
        QVERIFY(!device.isOpen());
        server.terminate();
        QVERIFY(server.waitForFinished(kProcessTimeoutMs));
    }
};

QTEST_MAIN(ReceiverSoundTest)
#include "ReceiverSoundTest.moc"
