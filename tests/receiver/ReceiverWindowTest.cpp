// SPDX-License-Identifier: GPL-3.0-or-later
// The receiver window on Qt's offscreen platform with a recording device the test
// clocks: the start state and layout below the menu bar, the keyboard, the
// steppers and their bounds, the options and menu choices while recording and
// their memory, Start / Stop / Mixer, the failure paths ending the program, the
// device lost mid-capture, the buffers reaching the demodulator, and the order of
// the release on close.

#include "modem/receive/ReceiveDemodulator.h"
#include "modem/receive/standard/MskDemodulator.h"
#include "receiver/ReceivedTextEdit.h"
#include "receiver/ReceiverWindow.h"
#include "receiver/ScopeWidget.h"
#include "receiver/UpDown.h"
#include "platform/SoundDeviceSetting.h"
#include "tests/fakes/FakeSoundDeviceList.h"
#include "tests/fakes/FakeAudioInputDevice.h"
#include "tests/fakes/FakeOperatorMessages.h"
#include "tests/receiver/ReceiverTestSupport.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <cmath>
#include <functional>
#include <memory>

namespace {

struct Rig : ReceiverRig {
    using ReceiverRig::ReceiverRig;

    QPushButton* button(int id) const { return ControlOf<QPushButton>(window, id); }
    QRadioButton* option(int id) const { return ControlOf<QRadioButton>(window, id); }
    QLabel* label(int id) const { return ControlOf<QLabel>(window, id); }
    UpDown* upDown(int id) const { return ControlOf<UpDown>(window, id); }
    void press(int id) const { QTest::mouseClick(button(id), Qt::LeftButton); }
};

struct ControlRow {
    int id;
    const char* className;
    const char* text;
    QRect geometry;
};

// The arrows take 18 pixels from the left of each value label.
const ControlRow kLayout[] = {
    {300, "ScopeWidget", "", {10, 5, 128, 85}},
    {100, "QPushButton", "Start", {5, 100, 40, 25}},
    {200, "QPushButton", "Stop", {50, 100, 40, 25}},
    {670, "QPushButton", "Mixer", {95, 100, 50, 25}},
    {3000, "QRadioButton", "31 baud", {145, 10, 65, 15}},
    {3001, "QRadioButton", "63 baud", {145, 25, 65, 15}},
    {3002, "QRadioButton", "125 baud", {145, 40, 65, 15}},
    {3003, "QRadioButton", "250 baud", {145, 55, 65, 15}},
    {3004, "QRadioButton", "500 baud", {145, 70, 65, 15}},
    {3200, "QRadioButton", "Slow sync", {155, 105, 65, 15}},
    {3201, "QRadioButton", "Fast sync", {240, 105, 65, 15}},
    {320, "ReceivedTextEdit", "", {5, 135, 400, 140}},
    {1501, "QLabel", "1000", {248, 15, 42, 25}},
    {1500, "UpDown", "", {230, 15, 18, 25}},
    {-1, "QLabel", "Centre frequency (Hz)", {300, 15, 160, 32}},
    {3100, "QLabel", "8000", {248, 67, 42, 25}},
    {3101, "UpDown", "", {230, 67, 18, 25}},
    {-1, "QLabel", "Samplerate adjust", {300, 67, 160, 32}},
};

QString TextOf(QWidget* w)
{
    if (auto* b = qobject_cast<QAbstractButton*>(w))
        return b->text();
    if (auto* l = qobject_cast<QLabel*>(w))
        return l->text();
    if (auto* e = qobject_cast<QPlainTextEdit*>(w))
        return e->toPlainText();
    return {};
}

// The oscillator advances centreFrequency / sampleRate cycles per sample.
double PhaseStep(Real centreHz, int rate)
{
    const double step = static_cast<double>(centreHz) / rate;
    return step - std::floor(step);
}

// Runs the event loop as the program does, with `action` as its first event.
// Returns the loop's exit code once the program ends: 0 when it ended by its last
// window closing, 99 when it was still running after five seconds.
int RunProgramWith(const std::function<void()>& action)
{
    constexpr int kStillRunning = 99;
    constexpr int kWatchdogMs = 5000;
    QTimer::singleShot(0, qApp, action);
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, qApp, [] { QCoreApplication::exit(kStillRunning); });
    watchdog.start(kWatchdogMs);
    return QCoreApplication::exec();
}

double PhaseAdvance(double before, double after)
{
    double d = after - before;
    return d < 0 ? d + 1.0 : d;
}

}  // namespace

class ReceiverWindowTest : public QObject {
    Q_OBJECT

private slots:
    void startStateShowsDefaultsAndRecordsNothing()
    {
        Rig rig;
        rig.window.show();
        QCOMPARE(rig.window.windowTitle(), QStringLiteral("MSK receiver"));
        // The menu bar sits on top of the 410 x 280 client area, which it does not
        // cover: the window is taller by the bar.
        const int bar = rig.window.menuBar()->height();
        QVERIFY(bar > 0);
        QCOMPARE(rig.window.menuBar()->geometry(), QRect(0, 0, 410, bar));
        QCOMPARE(rig.window.clientArea()->geometry(), QRect(0, bar, 410, 280));
        QCOMPARE(rig.window.size(), QSize(410, 280 + bar));
        // Every menu choice as at the very first start.
        QVERIFY(rig.window.standardAction()->isChecked());
        QVERIFY(!rig.window.enhancedAction()->isChecked());
        QVERIFY(rig.window.settings().demodulator == DemodulatorChoice::Standard);
        for (QAction* a : {rig.window.squelchAction(), rig.window.reverseAction(), rig.window.waterfallAction()})
            QVERIFY(a->isCheckable() && !a->isChecked());
        QVERIFY(!rig.window.settings().squelch && !rig.window.settings().reverse);
        QVERIFY(!rig.window.afcReadout()->isVisible());
        QVERIFY(rig.window.windowFlags() & Qt::WindowMinimizeButtonHint);
        QVERIFY(!(rig.window.windowFlags() & Qt::WindowMaximizeButtonHint));
        QVERIFY(rig.option(3000)->isChecked());
        QVERIFY(rig.option(3201)->isChecked());
        for (int id : {3001, 3002, 3003, 3004, 3200})
            QVERIFY(!rig.option(id)->isChecked());
        QCOMPARE(rig.label(1501)->text(), QStringLiteral("1000"));
        QCOMPARE(rig.label(3100)->text(), QStringLiteral("8000"));
        QVERIFY(rig.button(100)->isEnabled());
        QVERIFY(rig.button(200)->isEnabled());
        QVERIFY(rig.device.calls.empty());
        QCOMPARE(rig.window.settings().centreFrequency, 1000.0);
        QCOMPARE(rig.window.settings().sampleRate, 8000);
        QCOMPARE(rig.window.settings().tickRate, 500.0);
        QCOMPARE(rig.window.settings().timingGain, 2.0f);
        QCOMPARE(rig.window.capture().running(), 1);
    }

    void controlsStandAtTheirPlacesInTabOrder()
    {
        Rig rig;
        const QList<QWidget*> children = rig.window.clientArea()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
        QList<QWidget*> controls;
        for (QWidget* w : children)
            if (w->property("controlId").isValid())
                controls.push_back(w);
        QCOMPARE(controls.size(), 18);
        for (int i = 0; i < 18; ++i) {
            const ControlRow& row = kLayout[i];
            QWidget* w = controls[i];
            const QString where = QStringLiteral("control %1 (%2)").arg(i + 1).arg(row.id);
            QVERIFY2(w->property("controlId").toInt() == row.id, qPrintable(where));
            QVERIFY2(w->inherits(row.className), qPrintable(where));
            QVERIFY2(w->geometry() == row.geometry, qPrintable(where));
            QVERIFY2(TextOf(w) == QString::fromUtf8(row.text), qPrintable(where));
        }
        QCOMPARE(rig.upDown(1500)->buddy(), rig.label(1501));
        QCOMPARE(rig.upDown(3101)->buddy(), rig.label(3100));
    }

    // Tab stops at the tab stops, in creation order: the buttons, every speed
    // option but "31 baud", "Fast sync" and the pane, and round again. Checks
    // nothing on its way.
    void tabKeyStopsAtTheTabStops()
    {
        Rig rig;
        rig.window.show();
        rig.window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&rig.window));
        rig.button(100)->setFocus();
        QList<int> visited;
        for (int i = 0; i < 9; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            visited.push_back(QApplication::focusWidget()->property("controlId").toInt());
        }
        QCOMPARE(visited, (QList<int>{200, 670, 3001, 3002, 3003, 3004, 3201, 320, 100}));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, Qt::ShiftModifier);
        QCOMPARE(QApplication::focusWidget(), rig.window.textPane());
        QVERIFY(rig.option(3000)->isChecked() && rig.option(3201)->isChecked());
        QCOMPARE(rig.window.settings().tickRate, 500.0);
    }

    // The arrow keys move through a group's options, round it, and check (and
    // apply) the option they reach, as automatic radio buttons do.
    void arrowKeysMoveTheCheckWithinAGroup()
    {
        Rig rig;
        rig.window.show();
        rig.window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&rig.window));
        rig.option(3001)->setFocus();
        const struct {
            Qt::Key key;
            int reached;
            double tickRate;
        } speedSteps[] = {{Qt::Key_Down, 3002, 2000}, {Qt::Key_Right, 3003, 4000}, {Qt::Key_Down, 3004, 8000},
                          {Qt::Key_Down, 3000, 500},  {Qt::Key_Up, 3004, 8000},    {Qt::Key_Left, 3003, 4000}};
        for (const auto& step : speedSteps) {
            QTest::keyClick(QApplication::focusWidget(), step.key);
            QCOMPARE(QApplication::focusWidget(), rig.option(step.reached));
            QVERIFY(rig.option(step.reached)->isChecked());
            QCOMPARE(rig.window.settings().tickRate, step.tickRate);
        }
        for (int id : {3000, 3001, 3002, 3004})
            QVERIFY(!rig.option(id)->isChecked());
        QVERIFY(rig.option(3201)->isChecked());  // the other group is left alone

        rig.option(3201)->setFocus();
        QTest::keyClick(rig.option(3201), Qt::Key_Down);
        QCOMPARE(QApplication::focusWidget(), rig.option(3200));
        QVERIFY(rig.option(3200)->isChecked() && !rig.option(3201)->isChecked());
        QCOMPARE(rig.window.settings().timingGain, 0.2f);
        QTest::keyClick(rig.option(3200), Qt::Key_Up);
        QVERIFY(rig.option(3201)->isChecked());
        QCOMPARE(rig.window.settings().timingGain, 2.0f);
    }

    // No option's text is cut off at its right edge with the fonts here.
    void optionTextsFitTheirCells()
    {
        Rig rig;
        rig.window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&rig.window));
        for (int id : {3000, 3001, 3002, 3003, 3004, 3200, 3201}) {
            QRadioButton* option = rig.option(id);
            QVERIFY2(option->sizeHint().width() <= option->width(), qPrintable(option->text()));
        }
    }

    void upArrowRaisesCentreFrequencyAndTheDemodulatorUsesIt()
    {
        Rig rig;
        rig.window.show();
        QTest::mouseClick(rig.upDown(1500)->upArrow(), Qt::LeftButton);
        QCOMPARE(rig.label(1501)->text(), QStringLiteral("1001"));
        QCOMPARE(rig.window.settings().centreFrequency, 1001.0);

        // The very next sample turns the oscillator by 1001/8000 of a cycle.
        QVERIFY(rig.window.capture().StartCapture());
        const double before = rig.window.demodulator().oscillatorPhase();
        rig.device.fill({0}, 2);
        rig.device.deliver();
        QVERIFY(std::abs(PhaseAdvance(before, rig.window.demodulator().oscillatorPhase()) - PhaseStep(1001, 8000)) < 1e-12);
    }

    void downArrowLowersSampleRate()
    {
        Rig rig;
        QTest::mouseClick(rig.upDown(3101)->downArrow(), Qt::LeftButton);
        QCOMPARE(rig.label(3100)->text(), QStringLiteral("7999"));
        QCOMPARE(rig.window.settings().sampleRate, 7999);
        QTest::mouseClick(rig.upDown(1500)->downArrow(), Qt::LeftButton);
        QCOMPARE(rig.label(1501)->text(), QStringLiteral("999"));
    }

    void arrowKeysStepWhileTheUpDownHasFocus()
    {
        Rig rig;
        rig.window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&rig.window));
        rig.upDown(1500)->setFocus();
        QTest::keyClick(rig.upDown(1500), Qt::Key_Up);
        QTest::keyClick(rig.upDown(1500), Qt::Key_Up);
        QTest::keyClick(rig.upDown(1500), Qt::Key_Down);
        QCOMPARE(rig.label(1501)->text(), QStringLiteral("1001"));
    }

    void steppersKeepTheirBounds()
    {
        Rig rig;
        UpDown* centre = rig.upDown(1500);
        UpDown* rate = rig.upDown(3101);
        emit centre->deltaPos(-2999);  // to 3999, the top
        QCOMPARE(rig.label(1501)->text(), QStringLiteral("3999"));
        emit centre->deltaPos(-1);
        emit centre->deltaPos(-20);
        QCOMPARE(rig.label(1501)->text(), QStringLiteral("3999"));
        emit centre->deltaPos(3998);  // to 1, the bottom
        QCOMPARE(rig.window.settings().centreFrequency, 1.0);
        emit centre->deltaPos(1);
        QCOMPARE(rig.label(1501)->text(), QStringLiteral("1"));

        emit rate->deltaPos(-8000);  // to 16000
        QCOMPARE(rig.label(3100)->text(), QStringLiteral("16000"));
        emit rate->deltaPos(-1);
        QCOMPARE(rig.window.settings().sampleRate, 16000);
        emit rate->deltaPos(12000);  // to 4000
        QCOMPARE(rig.label(3100)->text(), QStringLiteral("4000"));
        emit rate->deltaPos(5);
        QCOMPARE(rig.window.settings().sampleRate, 4000);
        emit rate->deltaPos(std::numeric_limits<int>::min());
        emit rate->deltaPos(std::numeric_limits<int>::max());
        QCOMPARE(rig.window.settings().sampleRate, 4000);
    }

    // A sample rate of 0 would fill the demodulator with NaN for the rest of the
    // run; it cannot be stepped there, and reception goes on.
    void sampleRateNeverReachesZero()
    {
        Rig rig;
        emit rig.upDown(3101)->deltaPos(8000);
        emit rig.upDown(3101)->deltaPos(7999);
        QCOMPARE(rig.window.settings().sampleRate, 8000);
        QVERIFY(rig.window.capture().StartCapture());
        rig.device.play(RecordedTransmission("ok now", 1024));
        QCOMPARE(rig.window.textPane()->toPlainText(), QStringLiteral("ok now"));
        QVERIFY(std::isfinite(rig.window.demodulator().tickPhase()));
    }

    void optionsSetTheirValuesAtOnceWhileRecording()
    {
        Rig rig;
        rig.window.show();
        rig.press(100);
        const std::size_t callsAfterStart = rig.device.calls.size();
        rig.window.textPane()->setPlainText(QStringLiteral("kept"));
        rig.device.play(std::vector<std::int16_t>(512, 300));

        const int tickCounter = rig.window.demodulator().tickCounter();
        QTest::mouseClick(rig.option(3004), Qt::LeftButton);
        QVERIFY(rig.option(3004)->isChecked());
        QVERIFY(!rig.option(3000)->isChecked());
        QCOMPARE(rig.window.settings().tickRate, 8000.0);
        // Nothing restarted or cleared: no device call, same tick position, same text.
        QCOMPARE(rig.device.calls.size(), callsAfterStart + 4);  // the two buffers re-queued
        QCOMPARE(rig.window.demodulator().tickCounter(), tickCounter);
        QCOMPARE(rig.window.textPane()->toPlainText(), QStringLiteral("kept"));

        const int ids[] = {3000, 3001, 3002, 3003, 3004};
        const double rates[] = {500, 1000, 2000, 4000, 8000};
        for (int i = 0; i < 5; ++i) {
            QTest::mouseClick(rig.option(ids[i]), Qt::LeftButton);
            QCOMPARE(rig.window.settings().tickRate, rates[i]);
        }
        QTest::mouseClick(rig.option(3200), Qt::LeftButton);
        QCOMPARE(rig.window.settings().timingGain, 0.2f);
        QVERIFY(rig.option(3200)->isChecked() && !rig.option(3201)->isChecked());
        QTest::mouseClick(rig.option(3201), Qt::LeftButton);
        QCOMPARE(rig.window.settings().timingGain, 2.0f);
        QCOMPARE(rig.device.count("open"), 1);
        QCOMPARE(rig.device.count("start"), 1);
    }

    void clickingTheCheckedOptionAppliesItAgain()
    {
        Rig rig;
        QTest::mouseClick(rig.option(3000), Qt::LeftButton);
        QVERIFY(rig.option(3000)->isChecked());
        QCOMPARE(rig.window.settings().tickRate, 500.0);
        QTest::mouseClick(rig.option(3201), Qt::LeftButton);
        QVERIFY(rig.option(3201)->isChecked());
        QCOMPARE(rig.window.settings().timingGain, 2.0f);
        QVERIFY(rig.device.calls.empty());
    }

    void startRecordsAndIsThenDisabled()
    {
        Rig rig;
        rig.window.show();
        rig.press(100);
        QCOMPARE(rig.device.count("open"), 1);
        QCOMPARE(rig.device.openedRate, 8000);
        QCOMPARE(rig.device.queued.size(), std::size_t{8});
        QVERIFY(rig.device.recording);
        QVERIFY(!rig.button(100)->isEnabled());
        QVERIFY(rig.button(200)->isEnabled());
        QVERIFY(rig.messages.shown.empty());
        QVERIFY(rig.window.isVisible());
    }

    void captureFailuresShowTheirTextAndEndTheProgram_data()
    {
        QTest::addColumn<QString>("failing");
        QTest::addColumn<QString>("text");
        QTest::newRow("no device") << "open" << "No suitable device found";
        QTest::newRow("prepare") << "prepare" << "fake device error 3";
        QTest::newRow("add buffer") << "addBuffer" << "fake device error 3";
        QTest::newRow("start") << "start" << "fake device error 3";
    }

    void captureFailuresShowTheirTextAndEndTheProgram()
    {
        QFETCH(QString, failing);
        QFETCH(QString, text);
        Rig rig;
        rig.window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&rig.window));
        rig.device.failCall(failing.toStdString(), 3);
        QCOMPARE(RunProgramWith([&rig] { rig.press(100); }), 0);
        QCOMPARE(rig.messages.shown.size(), std::size_t{1});
        QCOMPARE(QString::fromStdString(rig.messages.shown[0].title), QStringLiteral("MSK receiver"));
        QCOMPARE(QString::fromStdString(rig.messages.shown[0].text), text);
        QVERIFY(rig.messages.shown[0].icon == MessageIcon::None);
        QVERIFY(!rig.window.isVisible());
        QVERIFY(!rig.device.isOpen);
    }

    void failedAllocationShowsItsTextAndEndsTheProgram()
    {
        Rig rig;
        rig.window.show();
        rig.window.capture().setBlockAllocator([](std::size_t) -> std::int16_t* { return nullptr; },
                                               [](std::int16_t* b) { delete[] b; });
        QCOMPARE(RunProgramWith([&rig] { rig.press(100); }), 0);
        QCOMPARE(rig.messages.shown.size(), std::size_t{1});
        QCOMPARE(QString::fromStdString(rig.messages.shown[0].text), QString::fromUtf8("Can\u00B4t alloc Buffers"));
        QCOMPARE(rig.messages.shown[0].text, std::string("Can\xC2\xB4t alloc Buffers"));
    }

    void failedRequeueEndsTheProgram()
    {
        Rig rig;
        rig.window.show();
        rig.press(100);
        rig.device.failCall("addBuffer", 6);
        QCOMPARE(RunProgramWith([&rig] { rig.device.play(std::vector<std::int16_t>(256, 7)); }), 0);
        QCOMPARE(QString::fromStdString(rig.messages.shown.at(0).text), QStringLiteral("fake device error 6"));
        QVERIFY(!rig.device.isOpen);
    }

    void emptyBufferPassesNothingAndIsRequeued()
    {
        Rig rig;
        rig.press(100);
        const double phase = rig.window.demodulator().oscillatorPhase();
        CaptureBuffer* first = rig.device.queued.front();
        QVERIFY(rig.device.fill(std::vector<std::int16_t>(256, 1000), 0));
        rig.device.deliver();
        QCOMPARE(rig.window.demodulator().oscillatorPhase(), phase);
        QCOMPARE(rig.device.queued.back(), first);
        QCOMPARE(rig.device.queued.size(), std::size_t{8});
    }

    void partBufferPassesHalfItsByteCount()
    {
        Rig rig;
        rig.press(100);
        // 100 bytes: 50 samples turn the 1000 Hz oscillator 6.25 cycles at 8000/s.
        QVERIFY(rig.device.fill(std::vector<std::int16_t>(256, 1000), 100));
        rig.device.deliver();
        QVERIFY(std::abs(rig.window.demodulator().oscillatorPhase() - 0.25) < 1e-12);
        QCOMPARE(rig.device.queued.size(), std::size_t{8});
    }

    void pauseAndResumeKeepAllEightBuffers()
    {
        Rig rig;
        rig.press(100);
        rig.device.pauseBytes = 64;
        for (int round = 0; round < 2; ++round) {
            rig.press(200);
            QCOMPARE(rig.button(200)->text(), QStringLiteral("Start"));
            QCOMPARE(rig.window.capture().running(), 0);
            QVERIFY(!rig.device.recording);
            rig.device.deliver();
            QCOMPARE(rig.device.queued.size(), std::size_t{8});
            rig.press(200);
            QCOMPARE(rig.button(200)->text(), QStringLiteral("Stop"));
            QCOMPARE(rig.window.capture().running(), 1);
            QVERIFY(rig.device.recording);
        }
        QCOMPARE(rig.device.count("stop"), 2);
        QCOMPARE(rig.device.count("start"), 3);
        QCOMPARE(rig.device.count("open"), 1);
    }

    void toggleBeforeStartOnlyFlipsItsCaption()
    {
        Rig rig;
        rig.press(200);
        QCOMPARE(rig.button(200)->text(), QStringLiteral("Start"));
        QCOMPARE(rig.window.capture().running(), 0);
        rig.press(200);
        QCOMPARE(rig.button(200)->text(), QStringLiteral("Stop"));
        QCOMPARE(rig.window.capture().running(), 1);
        QVERIFY(rig.device.calls.empty());
        QVERIFY(rig.button(100)->isEnabled());
    }

    void mixerStartsTheRecordingVolumeControlEachTime()
    {
        Rig rig;
        rig.press(670);
        rig.press(670);
        QCOMPARE(rig.volume.started.size(), std::size_t{2});
        QVERIFY(rig.volume.started[0] == VolumeView::Recording);
        QVERIFY(rig.volume.started[1] == VolumeView::Recording);
    }

    void closingWhileRecordingReleasesTheDeviceBeforeTheDisplay()
    {
        Rig rig;
        rig.window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&rig.window));
        rig.press(100);
        rig.device.fill(std::vector<std::int16_t>(256, 5), 512);  // on its way back
        std::vector<bool> displayHeldAt;
        rig.device.onCall = [&rig, &displayHeldAt](const std::string&) {
            displayHeldAt.push_back(!rig.window.scope()->released());
        };
        const std::size_t before = rig.device.calls.size();
        QCOMPARE(RunProgramWith([&rig] { rig.window.close(); }), 0);
        const std::vector<std::string> release(rig.device.calls.begin() + static_cast<std::ptrdiff_t>(before),
                                               rig.device.calls.end());
        QCOMPARE(release.front(), std::string("stop"));
        QCOMPARE(release.back(), std::string("close"));
        QCOMPARE(release.size(), std::size_t{11});
        QCOMPARE(displayHeldAt, std::vector<bool>(11, true));
        QVERIFY(rig.window.scope()->released());
        QVERIFY(!rig.window.isVisible());
        // A buffer still on its way is dropped.
        const double phase = rig.window.demodulator().oscillatorPhase();
        rig.device.onCall = nullptr;
        QCOMPARE(rig.device.deliver(), 8);
        QCOMPARE(rig.window.demodulator().oscillatorPhase(), phase);
        QCOMPARE(rig.device.calls.size(), before + 11);
    }

    // The chain switches at once while recording, without a device call; the AFC
    // readout shows while the enhanced chain runs; every menu choice is found
    // again by the next window, while the other settings start at their defaults.
    void menuChoicesActAtOnceAndAreRemembered()
    {
        {
            Rig rig;
            rig.window.show();
            rig.press(100);
            rig.device.play(std::vector<std::int16_t>(512, 300));
            const std::size_t calls = rig.device.calls.size();
            QTest::mouseClick(rig.option(3002), Qt::LeftButton);
            emit rig.upDown(1500)->deltaPos(-5);

            rig.window.enhancedAction()->trigger();
            QVERIFY(rig.window.settings().demodulator == DemodulatorChoice::Enhanced);
            QVERIFY(!rig.window.standardAction()->isChecked());
            QVERIFY(rig.window.afcReadout()->isVisible());
            // A steady level is no station: the AFC holds none (its value with a
            // station is checked with the waterfall's click).
            QCOMPARE(rig.window.afcReadout()->text(), QStringLiteral("AFC -"));
            // At the bar's right end, inside the window.
            const QRect readout = rig.window.afcReadout()->geometry();
            QVERIFY(readout.right() < rig.window.menuBar()->width() && readout.right() > 300);
            rig.press(200);  // paused: the chain does not run
            QVERIFY(!rig.window.afcReadout()->isVisible());
            rig.press(200);
            QVERIFY(rig.window.afcReadout()->isVisible());
            rig.window.squelchAction()->trigger();
            rig.window.reverseAction()->trigger();
            QVERIFY(rig.window.settings().squelch && rig.window.settings().reverse);
            rig.device.play(std::vector<std::int16_t>(256, 300));
            QCOMPARE(rig.device.calls.size(), calls + 2 + 2 + 2);  // a buffer re-queued, pause, resume

            rig.window.standardAction()->trigger();
            QVERIFY(rig.window.settings().demodulator == DemodulatorChoice::Standard);
            QVERIFY(!rig.window.afcReadout()->isVisible());
            rig.window.enhancedAction()->trigger();
            rig.window.reverseAction()->trigger();
            QVERIFY(!rig.window.settings().reverse);
        }
        Rig again(false);
        QVERIFY(again.window.enhancedAction()->isChecked());
        QVERIFY(again.window.settings().demodulator == DemodulatorChoice::Enhanced);
        QVERIFY(again.window.squelchAction()->isChecked() && again.window.settings().squelch);
        QVERIFY(!again.window.reverseAction()->isChecked() && !again.window.settings().reverse);
        QVERIFY(!again.window.afcReadout()->isVisible());  // nothing recorded yet
        QVERIFY(again.option(3000)->isChecked());
        QCOMPARE(again.window.settings().tickRate, 500.0);
        QCOMPARE(again.label(1501)->text(), QStringLiteral("1000"));
    }

    // The input level stands left of the AFC readout while recording: the peak of
    // the last quarter second, red from -1 dBFS with a hint what to turn down.
    void levelReadoutShowsThePeakAndWarnsOfClipping()
    {
        Rig rig;
        rig.window.show();
        QLabel* level = rig.window.levelReadout();
        QVERIFY(!level->isVisible());
        rig.press(100);
        rig.device.play(std::vector<std::int16_t>(256, -16384));
        rig.window.RefreshLevel();
        QVERIFY(level->isVisible());
        QCOMPARE(level->text(), QStringLiteral("In -6 dBFS"));  // 20 log10(16384 / 32768) = -6.02
        QVERIFY(level->styleSheet().isEmpty());
        QVERIFY(level->toolTip().contains(QStringLiteral("lower the radio's audio output or the capture level")));

        rig.device.play(std::vector<std::int16_t>(256, 29204));  // -1.0002 dBFS
        rig.window.RefreshLevel();
        QCOMPARE(level->text(), QStringLiteral("In -1 dBFS"));
        QVERIFY(level->styleSheet().isEmpty());
        rig.device.play(std::vector<std::int16_t>(256, 29205));  // -0.99999 dBFS
        rig.window.RefreshLevel();
        QVERIFY(level->styleSheet().contains(QStringLiteral("color")));

        rig.window.enhancedAction()->trigger();
        const QWidget* bar = rig.window.menuBar();
        const QRect levelAt(level->mapTo(bar, QPoint(0, 0)), level->size());
        const QRect afcAt(rig.window.afcReadout()->mapTo(bar, QPoint(0, 0)), rig.window.afcReadout()->size());
        QVERIFY(levelAt.right() < afcAt.left());
        QVERIFY(afcAt.right() < bar->width());

        rig.press(200);  // paused
        rig.window.RefreshLevel();
        QVERIFY(!level->isVisible());
    }

    // "Station > Sound device..." while recording moves the capture to the new
    // device at once; a missing remembered device is named, not opened.
    void theStationMenuChoosesTheRecordingDevice()
    {
        struct Picker : SoundDeviceChooser {
            int answer = 1;
            int choose(const std::string&, const std::string&, const std::vector<std::string>&, int) override
            {
                return answer;
            }
        } picker;
        FakeSoundDeviceList server;
        server.inputs = {{"Monitor of Radio Interface", "radio.monitor"}};
        {
            Rig rig;
            rig.window.UseSoundDevices(server, picker, std::nullopt);
            QCOMPARE(rig.device.selected, std::string());
            rig.window.show();
            QCOMPARE(rig.window.menuBar()->actions().at(3)->menu()->title(), QStringLiteral("Station"));  // after Receive, View, Text
            rig.press(100);
            rig.window.soundDeviceAction()->trigger();
            QCOMPARE(rig.device.selected, std::string("radio.monitor"));
            QVERIFY(rig.device.isOpen && rig.device.recording);
            QVERIFY(std::count(rig.device.calls.begin(), rig.device.calls.end(), "open") == 2);
            QVERIFY(rig.messages.shown.empty());
        }
        server.inputs.clear();  // unplugged before the next start
        Rig again(false);
        again.window.UseSoundDevices(server, picker, std::nullopt);
        QCOMPARE(again.device.selected, std::string("radio.monitor"));
        again.window.show();
        again.press(100);
        QVERIFY(again.device.calls.empty());  // named (at start and now), never opened
        QCOMPARE(again.messages.shown.size(), std::size_t{2});
        QVERIFY(again.window.isVisible());
    }

    // The sound server goes while recording: the operator is told, and "Start"
    // records again, from the paused state too.
    void deviceLostMidCaptureReturnsToWhereStartRecordsAgain()
    {
        Rig rig;
        rig.window.show();
        rig.press(100);
        rig.press(200);  // paused when it goes
        rig.device.failStream(9);
        QCOMPARE(rig.messages.shown.size(), std::size_t{1});
        QCOMPARE(QString::fromStdString(rig.messages.shown[0].title), QStringLiteral("MSK receiver"));
        QCOMPARE(QString::fromStdString(rig.messages.shown[0].text), QStringLiteral("fake device error 9"));
        QVERIFY(rig.messages.shown[0].icon == MessageIcon::None);
        QVERIFY(!rig.device.isOpen);
        QCOMPARE(rig.device.calls.back(), std::string("close"));
        QVERIFY(rig.window.isVisible());
        QVERIFY(rig.button(100)->isEnabled());
        QCOMPARE(rig.button(200)->text(), QStringLiteral("Stop"));
        QCOMPARE(rig.window.capture().running(), 1);

        rig.press(100);
        QCOMPARE(rig.device.count("open"), 2);
        QVERIFY(rig.device.recording);
        QVERIFY(!rig.button(100)->isEnabled());
        const double before = rig.window.demodulator().oscillatorPhase();
        // 100 samples turn the 1000 Hz oscillator 12.5 cycles at 8000/s.
        QVERIFY(rig.device.fill(std::vector<std::int16_t>(256, 100), 200));
        rig.device.deliver();
        QVERIFY(std::abs(PhaseAdvance(before, rig.window.demodulator().oscillatorPhase()) - 0.5) < 1e-9);
        QCOMPARE(rig.messages.shown.size(), std::size_t{1});
    }

    void enterAndEscapeNeitherCloseNorPress()
    {
        Rig rig;
        rig.window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&rig.window));
        rig.window.activateWindow();
        rig.option(3000)->setFocus();
        QTest::keyClick(&rig.window, Qt::Key_Escape);
        QTest::keyClick(&rig.window, Qt::Key_Return);
        QVERIFY(rig.window.isVisible());
        QVERIFY(rig.device.calls.empty());
    }
};

QTEST_MAIN(ReceiverWindowTest)
#include "ReceiverWindowTest.moc"
