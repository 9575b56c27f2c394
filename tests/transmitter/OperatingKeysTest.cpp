// SPDX-License-Identifier: GPL-3.0-or-later
// The operator's keys and macros in the transmitter window, pressed through the
// keyboard on the offscreen platform, with a sound card, serial port and message
// boxes the test controls.
//
// Bit arithmetic used below (see also OverProgressTest): after the 42 preamble
// buffers, the n-th buffer handed back carries queue position n - 43. 'e' is 11 in
// Varicode, 'a' 1011, 'b' 1011111, each followed by 00; an idle or backspace unit
// is 12 bits.

#include "platform/OtherStationCall.h"
#include "tests/fakes/FakeAudioOutputDevice.h"
#include "tests/transmitter/AnswerQuestion.h"
#include "tests/transmitter/FakeChooser.h"
#include "tests/transmitter/FakeTransmitterStation.h"
#include "tests/transmitter/FakeVolumeControl.h"
#include "tests/transmitter/LoggingSerialLines.h"
#include "tests/transmitter/TransmitterTestSettings.h"
#include "tests/transmitter/WatchingMessages.h"
#include "transmitter/MacroDialog.h"
#include "transmitter/TransmitterWindow.h"
#include "transmitter/TxAudioStream.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QSettings>
#include <QTest>
#include <QTimeZone>
#include <QTimer>

#include <memory>

namespace {

struct Rig : FakeTransmitterStation {
    std::unique_ptr<TransmitterWindow> window;
    std::size_t returned = 0;  // buffers handed back in this transmission

    // `settings` runs on a fresh settings file before the window reads it.
    explicit Rig(const std::function<void(QSettings&)>& settings = {})
    {
        serial.existing = {1};
        UseFreshTransmitterSettings();
        if (settings) {
            QSettings store(QString::fromLatin1(TransmitterWindow::kSettingsOrganisation),
                            QString::fromLatin1(TransmitterWindow::kSettingsApplication));
            settings(store);
        }
        window = std::make_unique<TransmitterWindow>(devices());
        messages.window = window.get();
        window->initialise();
        window->show();
        QApplication::setActiveWindow(window.get());
        window->entry()->setFocus();
    }
    QPlainTextEdit& entry() const { return *window->entry(); }
    void press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        // The offscreen platform gives the window back no activation after a
        // box; the shortcuts need it, as they would on a desktop.
        if (!window->isActiveWindow())
            QApplication::setActiveWindow(window.get());
        QTest::keyClick(&entry(), key, modifiers);
    }
    void type(const QString& text) { QTest::keyClicks(&entry(), text); }
    QString toggleText() const
    {
        return qobject_cast<QAbstractButton*>(window->control(TransmitterWindow::kToggleId))->text();
    }
    // The device reports itself open: the preamble goes out.
    void opened()
    {
        audio.deliverOpen();
        returned = 0;
    }
    // The buffers up to the one carrying this queue position have played.
    void playThrough(std::size_t position)
    {
        audio.playAndReturn(position + 43 - returned);
        returned = position + 43;
    }
    // The characters of the entry shown as on the air: the extent of the marks
    // in the on-air colour.
    int markedOnAir() const
    {
        int marked = 0;
        for (const QTextEdit::ExtraSelection& mark : entry().extraSelections())
            if (mark.format.foreground().color() == TransmitterWindow::onAirColour() && mark.cursor.selectionStart() == 0)
                marked = std::max(marked, mark.cursor.selectionEnd());
        return marked;
    }
};

}  // namespace

class OperatingKeysTest : public QObject {
    Q_OBJECT

private slots:
    void theOperateMenuListsTheKeysAboveTheUnchangedControls();
    void ctrlTTurnsOnAsTheButtonDoes();
    void ctrlREndsTheOverOnceTheTextAndTheClosingIdleHavePlayed();
    void ctrlLClearsForANewOverWithoutSendingAnything();
    void escAsksWhileTextWaitsAndEnterQuits();
    void textOnTheAirIsColouredAsItsBitsPlay();
    void functionKeysPutTheMacrosAtTheEnd();
    void theMacrosDialogChangesAndRemembersThem();
};

void OperatingKeysTest::theOperateMenuListsTheKeysAboveTheUnchangedControls()
{
    Rig rig;
    TransmitterWindow& w = *rig.window;
    QCOMPARE(w.menuBar()->actions().size(), 2);  // "Operate", then "Station"
    QMenu* operate = w.menuBar()->actions().front()->menu();
    QCOMPARE(operate->title(), QStringLiteral("&Operate"));
    QStringList shortcuts;
    for (QAction* action : operate->actions())
        if (!action->isSeparator())
            shortcuts << action->shortcut().toString();
    QCOMPARE(shortcuts, (QStringList{"Ctrl+T", "Ctrl+R", "Ctrl+L", "F1", "F2", "F3", "F4", "F5", "F6", "F7", "F8",
                                     "F9", "F10", "F11", "F12", ""}));
    QCOMPARE(operate->actions().back()->text(), QStringLiteral("&Macros..."));
    // Every control of the window sits in the client area below the bar.
    for (int id : {TransmitterWindow::kEntryId, TransmitterWindow::kToggleId, TransmitterWindow::kStatusId,
                   TransmitterWindow::kPttPortId, TransmitterWindow::kOutputId, 2000, 2004})
        QCOMPARE(w.control(id)->parentWidget(), w.clientArea());
}

void OperatingKeysTest::ctrlTTurnsOnAsTheButtonDoes()
{
    Rig rig;
    rig.press(Qt::Key_R, Qt::ControlModifier);  // idle, nothing typed: no over to end
    QVERIFY(!rig.window->overProgress().endArmed());
    rig.press(Qt::Key_T, Qt::ControlModifier);
    QCOMPARE(rig.audio.opens, 1);
    QVERIFY(rig.serial.dtr);
    rig.opened();
    QCOMPARE(rig.toggleText(), QStringLiteral("Turn Off"));
    // Ctrl+T turns on only: pressed again it leaves the transmission running.
    rig.press(Qt::Key_T, Qt::ControlModifier);
    QCOMPARE(rig.audio.resets, 0);
    QCOMPARE(rig.audio.opens, 1);
    QVERIFY(rig.entry().toPlainText().isEmpty());  // no 't' typed either
}

void OperatingKeysTest::ctrlREndsTheOverOnceTheTextAndTheClosingIdleHavePlayed()
{
    Rig rig;
    rig.type(QStringLiteral("e"));
    rig.press(Qt::Key_T, Qt::ControlModifier);
    rig.press(Qt::Key_R, Qt::ControlModifier);
    QCOMPARE(rig.window->shownCall(), QStringLiteral("Over ends after the text"));
    rig.opened();
    // 'e' fills positions 1-4; the closing idle ends at 4 + 24 = 28.
    rig.playThrough(27);
    QVERIFY(rig.serial.dtr);
    QCOMPARE(rig.audio.finishes, 0);
    rig.playThrough(28);
    QCOMPARE(rig.audio.finishes, 1);  // turned off: the rest in flight is idle
    QCOMPARE(rig.audio.resets, 0);    // the bit in play ends and the tone fades out
    QVERIFY(rig.serial.dtr);          // until the fall has been heard
    rig.audio.deliverAll();
    QVERIFY(!rig.serial.dtr && !rig.serial.rts);
    QCOMPARE(rig.toggleText(), QStringLiteral("Turn On"));
    QCOMPARE(rig.window->shownCall(), QString());
    QVERIFY(!rig.window->hasEnded());
    QCOMPARE(rig.window->charactersOnAir(), 1);
    QCOMPARE(rig.audio.faults, std::vector<std::string>{});

    // Everything has gone: Esc quits at once, without a question.
    const auto question = AnswerNextQuestion(Qt::Key_Escape);  // in case one came
    rig.press(Qt::Key_Escape);
    QVERIFY(!question->asked);
    question->stop();
    QVERIFY(rig.window->hasEnded());
}

void OperatingKeysTest::ctrlLClearsForANewOverWithoutSendingAnything()
{
    Rig rig;
    rig.type(QStringLiteral("ab"));
    rig.press(Qt::Key_T, Qt::ControlModifier);
    rig.opened();
    rig.playThrough(15);  // a and b on the air
    QCOMPARE(rig.markedOnAir(), 2);
    rig.type(QStringLiteral("cde"));  // still waiting when the entry is cleared
    rig.press(Qt::Key_L, Qt::ControlModifier);
    QVERIFY(rig.entry().toPlainText().isEmpty());
    QCOMPARE(rig.window->charactersOnAir(), 0);
    QCOMPARE(rig.window->charactersWaiting(), 0);
    QCOMPARE(rig.audio.resets, 0);  // the transmission goes on

    // The next character is the first of a new text: 'e' alone is queued, with
    // no backspace for a and b (36 bits more) and nothing of "cde".
    TxBitQueue& queue = rig.window->bitQueue();
    rig.type(QStringLiteral("e"));
    const std::int64_t queued = queue.queuedBits();
    rig.audio.playAndReturn(1);
    QCOMPARE(queue.queuedBits() - queued, std::int64_t{4});
    QCOMPARE(queue.textTaken(), std::int64_t{1});
}

void OperatingKeysTest::escAsksWhileTextWaitsAndEnterQuits()
{
    Rig rig;
    rig.type(QStringLiteral("abc"));
    // Idle with text waiting: asked; Esc in the box keeps the program.
    auto question = AnswerNextQuestion(Qt::Key_Escape);
    rig.press(Qt::Key_Escape);
    QVERIFY(question->asked);
    QCOMPARE(question->text, QStringLiteral("Stop transmitting and quit? 3 characters are not sent yet."));
    QVERIFY(!rig.window->hasEnded());
    QCOMPARE(rig.entry().toPlainText(), QStringLiteral("abc"));

    // Sending, with 'a' on the air: asked again; Enter quits as Esc did before.
    rig.press(Qt::Key_T, Qt::ControlModifier);
    rig.opened();
    rig.playThrough(6);
    question = AnswerNextQuestion(Qt::Key_Return);
    rig.press(Qt::Key_Escape);
    QCOMPARE(question->text, QStringLiteral("Stop transmitting and quit? 2 characters are not sent yet."));
    QVERIFY(rig.window->stream().closeRequested());
    rig.audio.deliverAll();
    QVERIFY(rig.window->hasEnded());
    QVERIFY(!rig.serial.dtr);
}

void OperatingKeysTest::textOnTheAirIsColouredAsItsBitsPlay()
{
    Rig rig;
    rig.type(QStringLiteral("ab"));
    rig.press(Qt::Key_T, Qt::ControlModifier);
    rig.opened();
    rig.playThrough(5);
    QCOMPARE(rig.markedOnAir(), 0);
    rig.playThrough(6);
    QCOMPARE(rig.markedOnAir(), 1);
    rig.playThrough(15);
    QCOMPARE(rig.markedOnAir(), 2);
    // Typed after: waiting, in the entry's own colour.
    rig.type(QStringLiteral("c"));
    QCOMPARE(rig.markedOnAir(), 2);
    // Editing text already sent: from the edit on, nothing is on the air.
    rig.entry().moveCursor(QTextCursor::Start);
    rig.press(Qt::Key_Right);
    rig.press(Qt::Key_Delete);  // "ac"
    QCOMPARE(rig.markedOnAir(), 1);
    QCOMPARE(rig.window->charactersWaiting(), 1);
}

void OperatingKeysTest::functionKeysPutTheMacrosAtTheEnd()
{
    Rig rig([](QSettings& settings) { settings.setValue(QStringLiteral("macros/F4"), QStringLiteral("<UTC>z <DATE>")); });
    rig.window->setMyCallOverride(QStringLiteral("G4XYZ"));
    rig.window->setClock([] { return QDateTime(QDate(2026, 12, 7), QTime(9, 5), QTimeZone::utc()); });

    // The receiver (another instance) shares the call; the bar's corner shows it.
    OtherStationCall receiver;
    receiver.set(QStringLiteral("dl1abc"));
    QTRY_COMPARE(rig.window->shownCall(), QStringLiteral("Call: DL1ABC"));

    rig.type(QStringLiteral("ge "));
    rig.entry().moveCursor(QTextCursor::Start);  // the macro goes at the end all the same
    rig.press(Qt::Key_F2);
    QCOMPARE(rig.entry().toPlainText(), QStringLiteral("ge DL1ABC de G4XYZ "));
    QVERIFY(!rig.window->overProgress().endArmed());
    rig.press(Qt::Key_F4);
    QCOMPARE(rig.entry().toPlainText(), QStringLiteral("ge DL1ABC de G4XYZ 0905z 2026-12-07"));
    rig.press(Qt::Key_F5);  // empty
    QCOMPARE(rig.entry().toPlainText(), QStringLiteral("ge DL1ABC de G4XYZ 0905z 2026-12-07"));

    rig.press(Qt::Key_L, Qt::ControlModifier);
    rig.press(Qt::Key_F3);
    QCOMPARE(rig.entry().toPlainText(), QStringLiteral("DL1ABC de G4XYZ 73 sk"));
    QVERIFY(rig.window->overProgress().endArmed());  // <RX>
    QCOMPARE(rig.window->shownCall(), QStringLiteral("Call: DL1ABC    Over ends after the text"));
    QVERIFY(rig.messages.shown.empty());
}

void OperatingKeysTest::theMacrosDialogChangesAndRemembersThem()
{
    {
        Rig rig;
        QTimer::singleShot(0, [] {
            auto* dialog = qobject_cast<MacroDialog*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            dialog->myCallField()->setText(QStringLiteral("g4xyz"));
            dialog->macroField(4)->setText(QStringLiteral("<MYCALL> ryry"));
            dialog->accept();
        });
        rig.window->editMacros();
        rig.press(Qt::Key_F5);
        QCOMPARE(rig.entry().toPlainText(), QStringLiteral("G4XYZ ryry"));
    }
    // The next start finds them; the window is made without a fresh file.
    FakeTransmitterStation station;
    TransmitterWindow next(station.devices());
    QCOMPARE(next.myCall(), QStringLiteral("G4XYZ"));
    QCOMPARE(next.macros().text(4), QStringLiteral("<MYCALL> ryry"));
    QCOMPARE(next.macros().text(0), MacroSet::defaultText(0));
}

QTEST_MAIN(OperatingKeysTest)
#include "OperatingKeysTest.moc"
