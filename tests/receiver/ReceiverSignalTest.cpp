// SPDX-License-Identifier: GPL-3.0-or-later
// A transmission as the modem sends it, recorded at 8000 samples per second and
// played through the test-clocked device into the receiver window: the text must
// appear in the pane at every speed, and the scope must show the bits' traces.

#include "receiver/ReceivedTextEdit.h"
#include "receiver/ReceiverWindow.h"
#include "receiver/ScopeWidget.h"
#include "receiver/UpDown.h"
#include "tests/fakes/FakeAudioInputDevice.h"
#include "tests/fakes/FakeOperatorMessages.h"
#include "tests/receiver/ReceiverTestSupport.h"

#include <QRadioButton>
#include <QTest>

namespace {

const QColor kTraceColour(0, 255, 255);
const QColor kAxisColour(255, 255, 0);

using Rig = ReceiverRig;

// "CQ de DL1ABC" with a-umlaut and the euro sign, in Windows-1252.
const std::string kText = "CQ de DL1ABC \xE4 \x80 pse k";
const QString kShown = QString::fromUtf8("CQ de DL1ABC \u00E4 \u20AC pse k");

}  // namespace

class ReceiverSignalTest : public QObject {
    Q_OBJECT

private slots:
    void textAppearsAtEverySpeed_data()
    {
        QTest::addColumn<int>("optionId");
        QTest::addColumn<int>("samplesPerBit");  // at the transmitter's 32000 samples/s
        QTest::newRow("31 baud") << 3000 << 1024;
        QTest::newRow("63 baud") << 3001 << 512;
        QTest::newRow("125 baud") << 3002 << 256;
        QTest::newRow("250 baud") << 3003 << 128;
        QTest::newRow("500 baud") << 3004 << 64;
    }

    void textAppearsAtEverySpeed()
    {
        QFETCH(int, optionId);
        QFETCH(int, samplesPerBit);
        Rig rig;
        rig.window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&rig.window));
        QTest::mouseClick(ControlOf<QRadioButton>(rig.window, optionId), Qt::LeftButton);
        QTest::mouseClick(ControlOf<QAbstractButton>(rig.window, 100), Qt::LeftButton);
        const auto samples = RecordedTransmission(kText, samplesPerBit);
        rig.device.play(samples);
        QCOMPARE(rig.window.textPane()->toPlainText(), kShown);

        const QImage scope = rig.window.scope()->grab().toImage();
        QVERIFY(CountPixels(scope, kTraceColour) > 30);
        QVERIFY(CountPixels(scope, kAxisColour) > 30);
        // Idle bits close the transmission: 0 bits, traces right of the centre line at x = 60.
        int right = 0;
        for (int y = 0; y < scope.height(); ++y)
            for (int x = 62; x < scope.width(); ++x)
                right += scope.pixelColor(x, y) == kTraceColour ? 1 : 0;
        QVERIFY(right > 0);
    }

    // A sound card whose clock runs 5 % fast: only with "Samplerate adjust" set to
    // its true rate do the tones and the bit clock come out right.
    void samplerateAdjustMatchesAFastSoundCard()
    {
        const auto samples = RecordedTransmission(kText, 1024, 8400.0);
        {
            Rig rig;
            QTest::mouseClick(ControlOf<QAbstractButton>(rig.window, 100), Qt::LeftButton);
            rig.device.play(samples);
            QVERIFY(rig.window.textPane()->toPlainText() != kShown);
        }
        Rig rig;
        emit ControlOf<UpDown>(rig.window, 3101)->deltaPos(-400);
        QCOMPARE(rig.window.settings().sampleRate, 8400);
        QTest::mouseClick(ControlOf<QAbstractButton>(rig.window, 100), Qt::LeftButton);
        rig.device.play(samples);
        QCOMPARE(rig.window.textPane()->toPlainText(), kShown);
    }

    // Pausing in mid-reception and resuming loses nothing that was recorded.
    void pauseInMidReceptionKeepsTheText()
    {
        Rig rig;
        QTest::mouseClick(ControlOf<QAbstractButton>(rig.window, 100), Qt::LeftButton);
        const auto samples = RecordedTransmission(kText, 1024);
        const std::size_t half = samples.size() / 2;
        rig.device.play({samples.begin(), samples.begin() + static_cast<std::ptrdiff_t>(half)});
        QTest::mouseClick(ControlOf<QAbstractButton>(rig.window, 200), Qt::LeftButton);
        rig.device.deliver();
        QTest::mouseClick(ControlOf<QAbstractButton>(rig.window, 200), Qt::LeftButton);
        rig.device.play({samples.begin() + static_cast<std::ptrdiff_t>(half), samples.end()});
        QCOMPARE(rig.window.textPane()->toPlainText(), kShown);
    }
};

QTEST_MAIN(ReceiverSignalTest)
#include "ReceiverSignalTest.moc"
