// SPDX-License-Identifier: GPL-3.0-or-later
// The transmitter window on the offscreen platform, with a sound card, serial port,
// message boxes, volume control and port chooser that the test controls.

#include "modem/transmit/DriveLevel.h"
#include "platform/SoundDeviceSetting.h"
#include "tests/fakes/FakeAudioOutputDevice.h"
#include "tests/fakes/FakeSoundDeviceList.h"
#include "tests/transmitter/AnswerQuestion.h"
#include "tests/transmitter/FakeChooser.h"
#include "tests/transmitter/FakePttLines.h"
#include "tests/transmitter/FakeTransmitterStation.h"
#include "tests/transmitter/FakeVolumeControl.h"
#include "tests/transmitter/LoggingSerialLines.h"
#include "tests/transmitter/TransmitterTestSettings.h"
#include "tests/transmitter/WatchingMessages.h"
#include "tools/ModemEncode.h"
#include "transmitter/DialogUnits.h"
#include "transmitter/PttOption.h"
#include "transmitter/RigChooser.h"
#include "transmitter/TransmitterWindow.h"
#include "transmitter/TxAudioStream.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <memory>

namespace {

struct Rig : FakeTransmitterStation {
    FakePttLines pttLines{log};
    std::unique_ptr<TransmitterWindow> window;

    enum class Settings { Fresh, Remembered };
    explicit Rig(std::set<int> ports = {1, 2, 3}, Settings settings = Settings::Fresh)
    {
        serial.existing = std::move(ports);
        if (settings == Settings::Fresh)
            UseFreshTransmitterSettings();
        window = std::make_unique<TransmitterWindow>(
            TransmitterDevices{audio, serial, messages, volume, chooser, &pttLines});
        messages.window = window.get();
    }
    void start()
    {
        window->initialise();
        window->show();
    }
    QAbstractButton* button(int id) const { return qobject_cast<QAbstractButton*>(window->control(id)); }
    QString toggleText() const { return button(TransmitterWindow::kToggleId)->text(); }
    QString status() const { return qobject_cast<QLabel*>(window->control(TransmitterWindow::kStatusId))->text(); }
    void clickToggle() { QTest::mouseClick(button(TransmitterWindow::kToggleId), Qt::LeftButton); }
    void type(const QString& text) { QTest::keyClicks(window->entry(), text); }
    std::size_t indexOf(const std::string& event) const
    {
        return static_cast<std::size_t>(std::find(log.begin(), log.end(), event) - log.begin());
    }
    void checkDevice() const
    {
        for (const std::string& fault : audio.faults)
            QFAIL(("device misuse: " + fault).c_str());
    }
};

}  // namespace

// Picks the row a test names.
struct PickingChooser : SoundDeviceChooser {
    int answer = -1;
    std::vector<std::string> offered;
    int choose(const std::string&, const std::string&, const std::vector<std::string>& names, int) override
    {
        offered = names;
        return answer;
    }
};

// Remembered choices go to a folder of the test's own.
struct PrivateSettings {
    PrivateSettings() { UseFreshTransmitterSettings(); }
};

const SoundDevice kRadioInterface{"Radio Interface Analog Stereo", "alsa_output.usb-Radio-00.analog-stereo"};

class TransmitterWindowTest : public QObject {
    Q_OBJECT

private slots:
    void buildsTheControlsAtTheirPlacesInTabOrder();
    void startsWithThirtyOneBaudCheckedAndStatusZero();
    void showsTheComportFailureBeforeTheWindowAndStillTransmits();
    void keysPttBeforeTheFirstBufferAndReleasesDtrFirstAfterTheFall();
    void locksThePortAndTheSpeedWhileSending();
    void runsAtSixtyFourSamplesPerBitAfterFiveHundredBaud();
    void showsTheBacklogAfterTwentyOneBits();
    void sendsTextTypedBeforeTurnOnAsTheEncoderDoes();
    void textTakenBeforeAStopIsNotTakenAgain();
    void escClosesAtOnceWhileIdle();
    void closingWhileSendingWaitsForTheDeviceAndReleasesPtt();
    void aFailedOpenShowsTheBoxAndLeavesTheWindowUsable();
    void outputStartsThePlaybackVolumeControl();
    void pttPortDisablesTheButtonsWhileChoosingAndNamesTheDevice();
    void enterOnASpeedOptionStartsNothing();
    void tabStopsAndArrowKeysAsInADialog();
    void theStationMenuChoosesTheSoundDeviceForTheNextTurnOn();
    void aMissingSoundDeviceIsNamedInsteadOfOpened();
    void underrunsShowAtTheRightOfTheMenuBar();
    void remembersThePttChoiceAndTheDriveLevel();
    void aPttGivenForThisRunIsUsedButNotRemembered();
    void rigPicksACatRigByMakerAndName();
};

void TransmitterWindowTest::buildsTheControlsAtTheirPlacesInTabOrder()
{
    Rig rig;
    TransmitterWindow& w = *rig.window;
    QVERIFY(!w.isVisible());
    QVERIFY(w.windowTitle().isEmpty());
    const DialogUnits du = DialogUnits::forFont(dialogFont());
    // The client area below the menu bar is the window of old; the window grows by the bar.
    QCOMPARE(w.clientArea()->geometry(), QRect(0, w.menuBar()->height(), du.x(340), du.y(64)));
    QVERIFY(w.menuBar()->height() > 0);
    QCOMPARE(w.size(), QSize(du.x(340), du.y(64) + w.menuBar()->height()));
    QCOMPARE(w.control(1002)->parentWidget()->geometry(), QRect(0, w.menuBar()->height(), du.x(340), du.y(64)));
    QCOMPARE(w.minimumSize(), w.maximumSize());
    QVERIFY(!(w.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
    QVERIFY(w.windowFlags() & Qt::WindowCloseButtonHint);

    struct Expected {
        int id;
        const char* text;
        QRect place;  // dialog units
    };
    const Expected expected[] = {
        {1002, "Turn On", {231, 24, 50, 14}},  {5000, "PTT port", {282, 24, 50, 14}},
        {5001, "Output", {282, 39, 50, 14}},   {2000, "31 baud", {10, 7, 50, 15}},
        {2001, "63 baud", {60, 7, 50, 15}},    {2002, "125 baud", {110, 7, 50, 15}},
        {2003, "250 baud", {160, 7, 50, 15}},  {2004, "500 baud", {210, 7, 50, 15}},
        {4000, "0", {225, 44, 56, 8}},         {1001, "", {10, 24, 210, 30}},
    };
    for (const Expected& e : expected) {
        QWidget* c = w.control(e.id);
        QVERIFY2(c, qPrintable(QString::number(e.id)));
        QCOMPARE(c->geometry(), du.rect(e.place.x(), e.place.y(), e.place.width(), e.place.height()));
        if (auto* b = qobject_cast<QAbstractButton*>(c))
            QCOMPARE(b->text(), QString::fromLatin1(e.text));
    }
    QVERIFY(qobject_cast<QRadioButton*>(w.control(2003)));
    QCOMPARE(w.control(1001), static_cast<QWidget*>(w.entry()));
    QCOMPARE(w.entry()->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    QCOMPARE(w.entry()->frameShadow(), QFrame::Sunken);

    // Tab order: the order of the table, the status line left out.
    std::vector<int> order;
    QWidget* at = w.control(1002);
    do {
        const int id = at->property("controlId").toInt();
        if (id != 0 && id != 4000 && std::find(order.begin(), order.end(), id) == order.end())
            order.push_back(id);
        at = at->nextInFocusChain();
    } while (at != w.control(1002));
    QCOMPARE(order, (std::vector<int>{1002, 5000, 5001, 2000, 2001, 2002, 2003, 2004, 1001}));

    // Enter in the entry breaks the line; the line end reaches the queue as CR LF.
    w.entry()->setFocus();
    QTest::keyClicks(w.entry(), "a");
    QTest::keyClick(w.entry(), Qt::Key_Return);
    QTest::keyClicks(w.entry(), "b");
    QCOMPARE(w.entry()->toPlainText(), QStringLiteral("a\nb"));
}

void TransmitterWindowTest::startsWithThirtyOneBaudCheckedAndStatusZero()
{
    Rig rig;
    rig.start();
    QCOMPARE(rig.window->windowTitle(), QStringLiteral("MSK transmitter"));
    QVERIFY(rig.button(2000)->isChecked());
    for (int id = 2001; id <= 2004; ++id)
        QVERIFY(!rig.button(id)->isChecked());
    QCOMPARE(rig.window->synthesizer().samplesPerBit(), 1024);
    QCOMPARE(rig.status(), QStringLiteral("0"));
    QCOMPARE(rig.toggleText(), QStringLiteral("Turn On"));
    QVERIFY(rig.messages.shown.empty());
    // COM1 opened and both lines dropped at once.
    QCOMPARE(rig.log, (std::vector<std::string>{"serial open 1", "dtr off", "rts off"}));
    QVERIFY(rig.button(5000)->toolTip().contains("/dev/ttyFAKE1"));

    // The speed options form one group.
    rig.button(2002)->click();
    QVERIFY(!rig.button(2000)->isChecked());
    QCOMPARE(rig.window->synthesizer().samplesPerBit(), 256);
}

void TransmitterWindowTest::showsTheComportFailureBeforeTheWindowAndStillTransmits()
{
    Rig rig(std::set<int>{});  // no serial ports at all
    rig.start();
    QCOMPARE(rig.messages.shown.size(), std::size_t{1});
    QCOMPARE(rig.messages.shown[0].text, std::string("Failure to open comport"));
    QCOMPARE(rig.messages.shown[0].title, std::string("Comport"));
    QCOMPARE(rig.messages.shown[0].icon, MessageIcon::Stop);
    QVERIFY(!rig.messages.shown[0].windowVisible);
    QCOMPARE(rig.window->windowTitle(), QStringLiteral("MSK transmitter"));
    QVERIFY(rig.button(2000)->isChecked());
    QVERIFY(rig.button(5000)->toolTip().contains("none"));

    rig.clickToggle();
    rig.audio.deliverOpen();
    QCOMPARE(rig.toggleText(), QStringLiteral("Turn Off"));
    rig.audio.playAndReturn(10);
    rig.clickToggle();
    rig.audio.deliverAll();
    QCOMPARE(rig.toggleText(), QStringLiteral("Turn On"));
    QVERIFY(std::none_of(rig.log.begin(), rig.log.end(), [](const std::string& e) { return e.rfind("dtr", 0) == 0; }));
    rig.checkDevice();
}

void TransmitterWindowTest::keysPttBeforeTheFirstBufferAndReleasesDtrFirstAfterTheFall()
{
    Rig rig;
    rig.start();
    rig.log.clear();
    rig.clickToggle();
    rig.audio.deliverOpen();
    QVERIFY(rig.serial.dtr && rig.serial.rts);
    const std::size_t dtrOn = rig.indexOf("dtr on");
    QCOMPARE(rig.log[dtrOn + 1], std::string("rts on"));
    QVERIFY(rig.indexOf("audio prepare 41") < dtrOn);
    QVERIFY(dtrOn < rig.indexOf("audio write 0"));

    rig.audio.playAndReturn(50);
    rig.clickToggle();
    QVERIFY(rig.serial.dtr && rig.serial.rts);  // while the last bit and the fall play
    rig.audio.deliverDone();
    rig.audio.play(2);
    rig.audio.deliverDone(1);
    QVERIFY(rig.serial.dtr && rig.serial.rts);
    rig.audio.deliverDone(1);  // the fall is back
    const std::size_t dtrOff = rig.indexOf("dtr off");
    QVERIFY(dtrOff < rig.log.size());
    QCOMPARE(rig.log[dtrOff + 1], std::string("rts off"));
    QVERIFY(dtrOff < rig.indexOf("audio close"));
    QVERIFY(!rig.serial.dtr && !rig.serial.rts);
    rig.audio.deliverAll();
    rig.checkDevice();
}

void TransmitterWindowTest::locksThePortAndTheSpeedWhileSending()
{
    Rig rig;
    rig.start();
    rig.clickToggle();
    QVERIFY(!rig.button(5000)->isEnabled());
    rig.audio.deliverOpen();
    for (int id = 2000; id <= 2004; ++id)
        QVERIFY(!rig.button(id)->isEnabled());
    QVERIFY(rig.button(1002)->isEnabled());

    rig.clickToggle();  // stopping: the port is free again, the speed not yet
    QVERIFY(rig.button(5000)->isEnabled());
    QVERIFY(!rig.button(2004)->isEnabled());
    QCOMPARE(rig.toggleText(), QStringLiteral("Turn Off"));
    rig.audio.deliverAll();
    for (int id = 2000; id <= 2004; ++id)
        QVERIFY(rig.button(id)->isEnabled());
    QCOMPARE(rig.toggleText(), QStringLiteral("Turn On"));
}

void TransmitterWindowTest::runsAtSixtyFourSamplesPerBitAfterFiveHundredBaud()
{
    Rig rig;
    rig.start();
    QTest::mouseClick(rig.button(2004), Qt::LeftButton);
    QVERIFY(rig.button(2004)->isChecked());
    rig.clickToggle();
    rig.audio.deliverOpen();
    rig.audio.playAndReturn(5);
    QCOMPARE(rig.window->stream().bufferBytes(), 128);
    // Half a second in flight at 500 baud: 250 buffers of 64 samples, and 5 refills.
    QCOMPARE(rig.audio.written.size(), std::size_t{255});
    for (const auto& buffer : rig.audio.written)
        QCOMPARE(buffer.size(), std::size_t{64});
}

void TransmitterWindowTest::showsTheBacklogAfterTwentyOneBits()
{
    Rig rig;
    rig.start();
    rig.type(QString(40, QLatin1Char('e')));  // 40 x "11" "00"
    rig.clickToggle();
    rig.audio.deliverOpen();
    rig.audio.playAndReturn(20);
    QCOMPARE(rig.status(), QStringLiteral("0"));
    rig.audio.playAndReturn(1);
    // 21 requests have moved 21 letters (84 bits) and handed out 20 of them.
    QCOMPARE(rig.status(), QStringLiteral("Bits left = 63"));
}

void TransmitterWindowTest::sendsTextTypedBeforeTurnOnAsTheEncoderDoes()
{
    Rig rig;
    rig.start();
    rig.button(2002)->click();  // 125 baud
    rig.type(QStringLiteral("CQ CQ"));
    QTest::keyClick(rig.window->entry(), Qt::Key_Return);
    rig.type(QStringLiteral("de "));
    QKeyEvent euro(QEvent::KeyPress, 0, Qt::NoModifier, QString::fromUtf8("\xE2\x82\xAC"));
    QApplication::sendEvent(rig.window->entry(), &euro);
    rig.type(QStringLiteral(" test"));
    const std::vector<std::int16_t> reference =
        modem::encodeTransmission(modem::entryTextFromUtf8("CQ CQ\nde \xE2\x82\xAC test"), 256, 2);
    const std::size_t bits = reference.size() / 256;

    rig.clickToggle();
    rig.audio.deliverOpen();
    rig.audio.playAndReturn(bits - TxAudioStream::kBufferCount);
    QVERIFY(rig.audio.written.size() >= bits);
    for (std::size_t b = 0; b < bits; ++b) {
        const std::vector<std::int16_t> want(reference.begin() + static_cast<std::ptrdiff_t>(b * 256),
                                            reference.begin() + static_cast<std::ptrdiff_t>((b + 1) * 256));
        QVERIFY2(rig.audio.written[b] == want, qPrintable(QString("buffer %1").arg(b)));
    }
}

void TransmitterWindowTest::textTakenBeforeAStopIsNotTakenAgain()
{
    Rig rig;
    rig.start();
    rig.type(QStringLiteral("hi"));
    TxBitQueue& queue = rig.window->bitQueue();
    rig.clickToggle();
    rig.audio.deliverOpen();
    rig.audio.playAndReturn(2);
    QCOMPARE(queue.textTaken(), std::int64_t{2});
    rig.clickToggle();
    rig.audio.deliverAll();

    rig.clickToggle();
    rig.audio.deliverOpen();
    const std::int64_t queued = queue.queuedBits();
    rig.audio.playAndReturn(1);
    QCOMPARE(queue.textTaken(), std::int64_t{2});
    QCOMPARE(queue.queuedBits(), queued);  // nothing of "hi" again
    rig.type(QStringLiteral("!"));
    rig.audio.playAndReturn(30);
    QCOMPARE(queue.textTaken(), std::int64_t{3});
    rig.checkDevice();
}

void TransmitterWindowTest::escClosesAtOnceWhileIdle()
{
    Rig rig;
    rig.start();
    QTest::keyClick(rig.window.get(), Qt::Key_Escape);
    QVERIFY(rig.window->hasEnded());
    QVERIFY(!rig.window->isVisible());
    QVERIFY(rig.audio.calls.empty());
}

void TransmitterWindowTest::closingWhileSendingWaitsForTheDeviceAndReleasesPtt()
{
    for (const bool byEsc : {true, false}) {
        Rig rig;
        rig.start();
        rig.clickToggle();
        rig.audio.deliverOpen();
        rig.audio.playAndReturn(30);
        if (byEsc) {
            // Asked first; Enter quits.
            const auto question = AnswerNextQuestion(Qt::Key_Return);
            QTest::keyClick(rig.window->entry(), Qt::Key_Escape);
            QVERIFY(question->asked);
        } else
            QVERIFY(!rig.window->close());  // the close box
        QVERIFY(rig.window->isVisible());
        QVERIFY(!rig.window->hasEnded());
        QVERIFY(rig.window->stream().closeRequested());
        QVERIFY(rig.serial.dtr);  // keyed until the sound card has let go
        QCOMPARE(rig.audio.finishes, 1);  // the bit in play and the fall, then the close

        rig.audio.deliverDone();
        rig.audio.play(2);
        rig.audio.deliverDone();
        QVERIFY(rig.window->isVisible());
        rig.audio.deliverClose();
        QVERIFY(rig.window->hasEnded());
        QVERIFY(!rig.window->isVisible());
        QVERIFY(!rig.serial.dtr && !rig.serial.rts);
        QVERIFY(rig.indexOf("rts off") < rig.log.size());
        rig.checkDevice();
    }
}

void TransmitterWindowTest::aFailedOpenShowsTheBoxAndLeavesTheWindowUsable()
{
    Rig rig;
    rig.start();
    rig.log.clear();
    rig.audio.failOpen = true;
    rig.clickToggle();
    QCOMPARE(rig.messages.beeps, 1);
    QCOMPARE(rig.messages.shown.size(), std::size_t{1});
    QCOMPARE(rig.messages.shown[0].text, std::string("Error opening waveform audio device!"));
    QCOMPARE(rig.messages.shown[0].title, std::string("MSK transmitter"));
    QCOMPARE(rig.toggleText(), QStringLiteral("Turn On"));
    QVERIFY(rig.button(5000)->isEnabled());
    QVERIFY(rig.button(2001)->isEnabled());
    QCOMPARE(rig.log, std::vector<std::string>{"audio open 32000"});  // never keyed
}

void TransmitterWindowTest::outputStartsThePlaybackVolumeControl()
{
    Rig rig;
    rig.start();
    QTest::mouseClick(rig.button(5001), Qt::LeftButton);
    QTest::mouseClick(rig.button(5001), Qt::LeftButton);
    QCOMPARE(rig.volume.started, (std::vector<VolumeView>{VolumeView::Playback, VolumeView::Playback}));
}

void TransmitterWindowTest::pttPortDisablesTheButtonsWhileChoosingAndNamesTheDevice()
{
    Rig rig;
    rig.start();
    bool toggleEnabled = true;
    bool pttEnabled = true;
    rig.chooser.answer = "COM3";
    rig.chooser.whileOpen = [&] {
        toggleEnabled = rig.button(1002)->isEnabled();
        pttEnabled = rig.button(5000)->isEnabled();
    };
    QTest::mouseClick(rig.button(5000), Qt::LeftButton);
    QCOMPARE(rig.chooser.initialTexts, std::vector<std::string>{"COM 1"});
    QVERIFY(!toggleEnabled && !pttEnabled);
    QVERIFY(rig.button(1002)->isEnabled() && rig.button(5000)->isEnabled());
    QCOMPARE(rig.serial.openPort, 3);
    QVERIFY(rig.button(5000)->toolTip().contains("/dev/ttyFAKE3"));
#ifndef _WIN32
    rig.chooser.answer = "/dev/ttyACM0";  // a device typed by its path
    QTest::mouseClick(rig.button(5000), Qt::LeftButton);
    QCOMPARE(rig.button(5000)->toolTip(), QStringLiteral("PTT: /dev/ttyACM0"));
#endif
}

void TransmitterWindowTest::enterOnASpeedOptionStartsNothing()
{
    Rig rig;
    rig.start();
    rig.button(2001)->setFocus();
    QTest::keyClick(rig.button(2001), Qt::Key_Return);
    QVERIFY(rig.audio.calls.empty());
    // Enter on the focused toggle presses it, as in any dialog.
    rig.button(1002)->setFocus();
    QTest::keyClick(rig.button(1002), Qt::Key_Return);
    QCOMPARE(rig.audio.opens, 1);
}

void TransmitterWindowTest::tabStopsAndArrowKeysAsInADialog()
{
    Rig rig;
    rig.start();
    rig.window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(rig.window.get()));
    const auto focused = [] {
        QWidget* widget = QApplication::focusWidget();
        return widget ? widget->property(TransmitterWindow::kControlIdProperty).toInt() : -1;
    };
    const auto press = [](int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(QApplication::focusWidget(), static_cast<Qt::Key>(key), modifiers);
    };

    // Tab visits every tab stop of the table in its order, "31 baud" (which starts
    // the group) left out, whichever option is checked; Shift+Tab goes back.
    rig.button(1002)->setFocus();
    std::vector<int> stops{focused()};
    for (int i = 0; i < 8; ++i) {
        press(Qt::Key_Tab);
        stops.push_back(focused());
    }
    QCOMPARE(stops, (std::vector<int>{1002, 5000, 5001, 2001, 2002, 2003, 2004, 1001, 1002}));
    press(Qt::Key_Tab, Qt::ShiftModifier);
    press(Qt::Key_Tab, Qt::ShiftModifier);
    QCOMPARE(focused(), 2004);

    // The arrow keys move focus and check together within the group, round the end.
    const auto checkedId = [&] {
        for (const TxMode& mode : kTxModes)
            if (rig.button(mode.optionId)->isChecked())
                return mode.optionId;
        return 0;
    };
    press(Qt::Key_Tab, Qt::ShiftModifier);
    press(Qt::Key_Tab, Qt::ShiftModifier);
    press(Qt::Key_Tab, Qt::ShiftModifier);
    QCOMPARE(focused(), 2001);
    QCOMPARE(checkedId(), 2000);
    press(Qt::Key_Right);
    QCOMPARE(focused(), 2002);
    QCOMPARE(checkedId(), 2002);
    QCOMPARE(rig.window->synthesizer().samplesPerBit(), 256);
    press(Qt::Key_Up);
    press(Qt::Key_Left);
    QCOMPARE(checkedId(), 2000);
    QCOMPARE(focused(), 2000);
    press(Qt::Key_Left);
    QCOMPARE(checkedId(), 2004);
    QCOMPARE(rig.window->synthesizer().samplesPerBit(), 64);
    press(Qt::Key_Down);
    QCOMPARE(checkedId(), 2000);
    QCOMPARE(rig.window->synthesizer().samplesPerBit(), 1024);
    press(Qt::Key_Tab);  // from "31 baud" on to the next stop
    QCOMPARE(focused(), 2001);
}


void TransmitterWindowTest::theStationMenuChoosesTheSoundDeviceForTheNextTurnOn()
{
    PrivateSettings settings;  // what is remembered: SoundDeviceSettingTest
    FakeSoundDeviceList server;
    server.outputs = {{"Built-in Audio", "alsa_output.pci.analog-stereo"}, kRadioInterface};
    PickingChooser picker;
    Rig rig;
    rig.window->useSoundDevices(server, picker, std::nullopt);
    rig.start();
    QCOMPARE(rig.audio.selected, std::string());  // the system's default at first

    // The bar holds "Operate" and "Station".
    QMenu* station = rig.window->menuBar()->actions().at(1)->menu();
    QCOMPARE(station->title(), QStringLiteral("Station"));
    QCOMPARE(station->actions().at(0), rig.window->soundDeviceAction());
    QCOMPARE(rig.window->soundDeviceAction()->text(), QStringLiteral("Sound device..."));
    picker.answer = 2;
    rig.window->soundDeviceAction()->trigger();
    QCOMPARE(picker.offered.size(), std::size_t{3});
    QCOMPARE(rig.audio.selected, kRadioInterface.serverName);

    rig.clickToggle();
    rig.audio.deliverOpen();
    QCOMPARE(rig.toggleText(), QStringLiteral("Turn Off"));
    QVERIFY(rig.messages.shown.empty());
    rig.clickToggle();
    rig.audio.deliverAll();
}

void TransmitterWindowTest::aMissingSoundDeviceIsNamedInsteadOfOpened()
{
    PrivateSettings settings;
    FakeSoundDeviceList server;
    server.outputs = {kRadioInterface};
    PickingChooser picker;
    Rig rig;
    rig.window->useSoundDevices(server, picker, kRadioInterface);
    rig.start();
    server.outputs.clear();  // unplugged
    rig.clickToggle();
    QCOMPARE(rig.audio.opens, 0);
    QCOMPARE(rig.messages.shown.size(), std::size_t{1});
    QVERIFY(rig.messages.shown[0].text.find("\"Radio Interface Analog Stereo\" is not there") != std::string::npos);
    QCOMPARE(rig.toggleText(), QStringLiteral("Turn On"));
    QVERIFY(rig.button(TransmitterWindow::kPttPortId)->isEnabled());
}

void TransmitterWindowTest::underrunsShowAtTheRightOfTheMenuBar()
{
    Rig rig;
    rig.start();
    QLabel* notice = rig.window->soundRanDryLabel();
    QVERIFY(!notice->isVisible());
    rig.clickToggle();
    rig.audio.deliverOpen();
    rig.audio.underruns = 3;
    rig.audio.playAndReturn(1);
    QVERIFY(notice->isVisible());
    QCOMPARE(notice->text(), QStringLiteral("Sound ran dry 3 times in this over"));
    // It shares the bar's right corner with the other station's call.
    QCOMPARE(rig.window->menuBar()->cornerWidget(Qt::TopRightCorner), notice->parentWidget());
    rig.clickToggle();
    rig.audio.deliverAll();
    QVERIFY(notice->isVisible());  // the over that ran last
    rig.clickToggle();
    rig.audio.deliverOpen();
    QVERIFY(!notice->isVisible());
    rig.clickToggle();
    rig.audio.deliverAll();
}

namespace {
QAction* driveLevelAction(TransmitterWindow& w, int db)
{
    for (QAction* action : w.findChildren<QAction*>())
        if (action->isCheckable() && action->data().toInt() == db && action->text().contains("dB"))
            return action;
    return nullptr;
}
}  // namespace

void TransmitterWindowTest::remembersThePttChoiceAndTheDriveLevel()
{
    {
        Rig first;  // a first start: COM1 at full drive, as ever
        first.start();
        QCOMPARE(first.serial.openPort, 1);
        QCOMPARE(first.window->driveLevel(), 0);
        QVERIFY(driveLevelAction(*first.window, 0)->isChecked());
        first.chooser.answer = "COM3";
        QTest::mouseClick(first.button(5000), Qt::LeftButton);
        QAction* minus10 = driveLevelAction(*first.window, -10);
        QVERIFY(minus10);
        QCOMPARE(minus10->text(), QString::fromUtf8("−10 dB"));
        minus10->trigger();
        QCOMPARE(first.window->driveLevel(), -10);
    }
    Rig next({1, 2, 3}, Rig::Settings::Remembered);
    next.start();
    QCOMPARE(next.serial.openPort, 3);
    QCOMPARE(next.window->driveLevel(), -10);
    QVERIFY(driveLevelAction(*next.window, -10)->isChecked());
    QVERIFY(!driveLevelAction(*next.window, 0)->isChecked());
    QCOMPARE(next.window->synthesizer().driveGain(), drive::gainForDb(-10));
    QCOMPARE(driveLevelAction(*next.window, -31), static_cast<QAction*>(nullptr));  // 0 to -30 only
}

void TransmitterWindowTest::aPttGivenForThisRunIsUsedButNotRemembered()
{
    {
        Rig first;
        first.start();
        first.chooser.answer = "COM2";
        QTest::mouseClick(first.button(5000), Qt::LeftButton);
    }
    Rig rig({1, 2, 3}, Rig::Settings::Remembered);
    QVERIFY(!rig.window->choosePttForThisRun("rigctld:nohost"));
    QVERIFY(rig.window->choosePttForThisRun("vox"));
    rig.start();
    QVERIFY(!rig.serial.isOpen());
    QVERIFY(rig.messages.shown.empty());
    QCOMPARE(rig.button(5000)->toolTip(), QStringLiteral("PTT: VOX"));
    rig.clickToggle();
    rig.audio.deliverOpen();
    QVERIFY(!rig.serial.dtr);
    rig.clickToggle();
    rig.audio.deliverAll();
    rig.window.reset();

    Rig after({1, 2, 3}, Rig::Settings::Remembered);
    after.start();
    QCOMPARE(after.serial.openPort, 2);

    // The command line's form of it.
    std::string error;
    const char* given[] = {"msk-transmitter", "--ptt", "cm108:/dev/hidraw1:4"};
    QCOMPARE(pttOptionText(3, const_cast<char**>(given), error), std::optional<std::string>("cm108:/dev/hidraw1:4"));
    const char* joined[] = {"msk-transmitter", "--ptt=vox"};
    QCOMPARE(pttOptionText(2, const_cast<char**>(joined), error), std::optional<std::string>("vox"));
    const char* none[] = {"msk-transmitter"};
    QVERIFY(!pttOptionText(1, const_cast<char**>(none), error));
    QVERIFY(error.empty());
    const char* missing[] = {"msk-transmitter", "--ptt"};
    QVERIFY(!pttOptionText(2, const_cast<char**>(missing), error));
    QCOMPARE(error, std::string("--ptt needs a text, e.g. --ptt COM1 or --ptt rigctld:localhost:4532"));
}

void TransmitterWindowTest::rigPicksACatRigByMakerAndName()
{
    {
        Rig rig;
        rig.pttLines.models = {{1, "Hamlib", "Dummy"}, {3073, "Icom", "IC-7300"}, {1035, "Yaesu", "FT-991"}};
        rig.start();
        QAction* pick = nullptr;
        for (QAction* action : rig.window->findChildren<QAction*>())
            if (action->text() == QString::fromUtf8("&Rig\u2026"))
                pick = action;
        QVERIFY(pick);
        bool controlsLocked = false;
        QTimer::singleShot(0, rig.window.get(), [&] {
            auto* chooser = qobject_cast<RigChooser*>(QApplication::activeModalWidget());
            QVERIFY(chooser);
            controlsLocked = !rig.button(1002)->isEnabled() && !rig.button(5000)->isEnabled();
            QCOMPARE(chooser->shownCount(), 3);
            QVERIFY(chooser->pttText().isEmpty());  // no rig yet
            chooser->setFilter(QStringLiteral("ic-7300"));
            QCOMPARE(chooser->shownCount(), 1);
            QVERIFY(!chooser->selectModel(1035));  // filtered out
            QVERIFY(chooser->selectModel(3073));
            chooser->setPort(QStringLiteral("/dev/ttyUSB1"));
            chooser->setBaud(19200);
            QCOMPARE(chooser->pttText(), QStringLiteral("hamlib:3073:/dev/ttyUSB1:19200"));
            chooser->accept();
        });
        pick->trigger();
        QVERIFY(controlsLocked);
        QVERIFY(rig.button(1002)->isEnabled() && rig.button(5000)->isEnabled());
        QCOMPARE(rig.pttLines.made.size(), std::size_t{1});
        QCOMPARE(rig.pttLines.made[0].rigModel, 3073);
        QCOMPARE(rig.pttLines.made[0].device, std::string("/dev/ttyUSB1"));
        QCOMPARE(rig.pttLines.made[0].baud, 19200);
        QVERIFY(!rig.serial.isOpen());
        QCOMPARE(rig.button(5000)->toolTip(), QStringLiteral("PTT: hamlib:3073:/dev/ttyUSB1:19200"));

        // Not while the radio is keyed.
        rig.clickToggle();
        rig.audio.deliverOpen();
        QVERIFY(rig.pttLines.keyed);
        QVERIFY(!pick->isEnabled());
        rig.clickToggle();
        rig.audio.deliverAll();
        QVERIFY(!rig.pttLines.keyed);
        QVERIFY(pick->isEnabled());
    }
    Rig next({1, 2, 3}, Rig::Settings::Remembered);
    next.start();
    QVERIFY(!next.serial.isOpen());
    QCOMPARE(next.pttLines.made.size(), std::size_t{1});
    QCOMPARE(next.pttLines.made[0].rigModel, 3073);
}

QTEST_MAIN(TransmitterWindowTest)
#include "TransmitterWindowTest.moc"
