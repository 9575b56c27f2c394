// The receiver through a real sound server: the window with the PortAudio device
// presses "Start", a transmission made by `msk-modem encode` is played into the
// sink whose monitor is the default recording device, and its text must appear in
// the pane. Run inside tests/sound/with-sound-server.sh.

#include "FakeOperatorMessages.h"
#include "PortAudioInputDevice.h"
#include "ReceivedTextEdit.h"
#include "ReceiverTestSupport.h"
#include "ReceiverWindow.h"

#include <QAbstractButton>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

constexpr int kProcessTimeoutMs = 20000;
constexpr int kReceiveTimeoutMs = 30000;

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

        QProcess play;
        play.start(QStringLiteral("paplay"), {QStringLiteral("--device=radio"), wav});
        QVERIFY(play.waitForStarted(kProcessTimeoutMs));
        QTRY_VERIFY_WITH_TIMEOUT(window.textPane()->toPlainText().contains(text), kReceiveTimeoutMs);
        play.waitForFinished(kProcessTimeoutMs);
        QVERIFY(window.close());
        QVERIFY(!device.isOpen());
    }
};

QTEST_MAIN(ReceiverSoundTest)
#include "ReceiverSoundTest.moc"
