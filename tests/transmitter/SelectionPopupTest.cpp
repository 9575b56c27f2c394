// SPDX-License-Identifier: GPL-3.0-or-later
// The selection pop-up on the offscreen platform. Each case drives the pop-up from
// a timer while run() waits in its own event loop, the way the operator would.

#include "tests/fakes/FakeOperatorMessages.h"
#include "tests/fakes/FakeSerialLines.h"
#include "transmitter/DialogUnits.h"
#include "transmitter/DrawnButton.h"
#include "transmitter/PttPort.h"
#include "transmitter/SelectionPopup.h"
#include "transmitter/SelectionPopupWindow.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QTimer>
#include <QVBoxLayout>
#include <QtTest>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace {

using Steps = std::function<void(SelectionPopupWindow&)>;
using Texts = std::vector<std::string>;

const Texts kPorts{"none", "COM1", "COM2", "COM3", "COM4", "COM5", "COM6", "COM7", "COM8", "COM9"};

struct Outcome {
    std::string text;
    bool stepsRan = false;
    bool timedOut = false;
};

// Runs the pop-up, plays the steps once it waits, and cancels it after five
// seconds should the steps fail to end it.
Outcome runPopup(SelectionPopup& popup, const Steps& steps, const std::string& initialText = "COM 1",
                 const Texts& choices = kPorts)
{
    Outcome outcome;
    QTimer::singleShot(0, [&] {
        if (SelectionPopupWindow* window = popup.window()) {
            outcome.stepsRan = true;
            steps(*window);
        }
    });
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [&] {
        outcome.timedOut = true;
        if (popup.window())
            popup.window()->close();
    });
    watchdog.start(5000);
    outcome.text = popup.run("Select comport for PTT control", initialText, choices, "PTT control");
    return outcome;
}

void click(SelectionPopupWindow& window, int id)
{
    QTest::mouseClick(window.control(id), Qt::LeftButton);
}

struct RecordingWindow : PttWindowControls {
    bool pttEnabled = true;
    bool toggleEnabled = true;
    void setPttButtonEnabled(bool enabled) override { pttEnabled = enabled; }
    void setToggleEnabled(bool enabled) override { toggleEnabled = enabled; }
};

}  // namespace

class SelectionPopupTest : public QObject {
    Q_OBJECT

private slots:
    void keyboardAcceptsAndCancels();
    void emptyInitialTextStartsOnTheFirstEntry();
    void choosingAnEntryThenAccept();
    void enterInTheDroppedListTakesTheHighlightedEntry();
    void enterInTheDroppedListTakesNoRowTheOperatorDidNotMoveTo();
    void typingThenEnter();
    void clearThenAccept();
    void closeBoxCancels();
    void twoCloseRequestsEndTheWindowOnce();
    void keysOfOtherWindowsActOnThePopup();
    void otherWindowsStayUsable();
    void onlyOnePopupAtATime();
    void listEndsAtTheFirstEmptyEntry();
    void layoutIdsAndFrame();
    void colours();
    void buttonsLookTheSameInEveryState();
    void captionFontHeight();
    void dialogUnitsRoundLikeDialogTemplates();
    void choosingAPortThroughThePopup();
};

void SelectionPopupTest::keyboardAcceptsAndCancels()
{
    SelectionPopup popup;
    // Enter with the field unchanged returns the initial text, as shown.
    Outcome enter = runPopup(popup, [](SelectionPopupWindow& w) {
        QCOMPARE(w.combo()->currentText(), QStringLiteral("COM 1"));
        QCOMPARE(w.combo()->currentIndex(), -1);
        QTest::keyClick(w.combo(), Qt::Key_Return);
    });
    QVERIFY(enter.stepsRan && !enter.timedOut);
    QCOMPARE(enter.text, std::string("COM 1"));
    QCOMPARE(popup.endCode(), SelectionPopup::kAccepted);

    // The keypad's Enter is Enter too.
    Outcome keypad = runPopup(popup, [](SelectionPopupWindow& w) {
        QTest::keyClick(w.combo(), Qt::Key_Enter, Qt::KeypadModifier);
    });
    QCOMPARE(keypad.text, std::string("COM 1"));

    Outcome escape = runPopup(popup, [](SelectionPopupWindow& w) { QTest::keyClick(w.combo(), Qt::Key_Escape); });
    QVERIFY(!escape.timedOut);
    QCOMPARE(escape.text, std::string());
    QCOMPARE(popup.endCode(), SelectionPopup::kCancelled);

    // The Cancel button, with a text typed before it.
    Outcome cancel = runPopup(popup, [](SelectionPopupWindow& w) {
        QTest::keyClicks(w.combo(), "7");
        click(w, SelectionPopupWindow::kCancelId);
    });
    QVERIFY(!cancel.timedOut);
    QCOMPARE(cancel.text, std::string());

    // Shift+Enter is not Enter: the pop-up stays until Accept.
    Outcome shifted = runPopup(popup, [](SelectionPopupWindow& w) {
        QTest::keyClick(w.combo(), Qt::Key_Return, Qt::ShiftModifier);
        QCoreApplication::processEvents();
        QVERIFY(w.isVisible());
        click(w, SelectionPopupWindow::kAcceptId);
    });
    QVERIFY(!shifted.timedOut);
    QCOMPARE(shifted.text, std::string("COM 1"));
}

void SelectionPopupTest::emptyInitialTextStartsOnTheFirstEntry()
{
    SelectionPopup popup;
    Outcome first = runPopup(popup, [](SelectionPopupWindow& w) {
        QCOMPARE(w.combo()->currentIndex(), 0);
        QCOMPARE(w.combo()->currentText(), QStringLiteral("none"));
        QTest::keyClick(w.combo(), Qt::Key_Return);
    }, "");
    QCOMPARE(first.text, std::string("none"));

    // Without entries the field and the result start empty.
    Outcome empty = runPopup(popup, [](SelectionPopupWindow& w) {
        QCOMPARE(w.combo()->count(), 0);
        QCOMPARE(w.combo()->currentText(), QString());
        click(w, SelectionPopupWindow::kAcceptId);
    }, "", {});
    QVERIFY(!empty.timedOut);
    QCOMPARE(empty.text, std::string());
    QCOMPARE(popup.endCode(), SelectionPopup::kAccepted);
}

void SelectionPopupTest::choosingAnEntryThenAccept()
{
    SelectionPopup popup;
    Outcome outcome = runPopup(popup, [](SelectionPopupWindow& w) {
        QComboBox* combo = w.combo();
        combo->showPopup();
        QAbstractItemView* list = combo->view();
        QVERIFY(list->isVisible());
        const QRect row = list->visualRect(list->model()->index(3, 0));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, row.center());
        QCOMPARE(combo->currentText(), QStringLiteral("COM3"));
        click(w, SelectionPopupWindow::kAcceptId);
    });
    QVERIFY(!outcome.timedOut);
    QCOMPARE(outcome.text, std::string("COM3"));

    // The arrow keys in the closed list choose as well.
    Outcome arrows = runPopup(popup, [](SelectionPopupWindow& w) {
        QTest::keyClick(w.combo(), Qt::Key_Down);
        QTest::keyClick(w.combo(), Qt::Key_Down);
        QTest::keyClick(w.combo(), Qt::Key_Return);
    }, "");
    QCOMPARE(arrows.text, std::string("COM2"));
}

void SelectionPopupTest::enterInTheDroppedListTakesTheHighlightedEntry()
{
    SelectionPopup popup;
    Outcome outcome = runPopup(popup, [](SelectionPopupWindow& w) {
        QComboBox* combo = w.combo();
        combo->showPopup();
        QAbstractItemView* list = combo->view();
        list->setCurrentIndex(list->model()->index(5, 0));
        QTest::keyClick(list, Qt::Key_Return);
    });
    QVERIFY(!outcome.timedOut);
    QCOMPARE(outcome.text, std::string("COM5"));

    // Esc in the dropped list cancels the pop-up, list and all.
    Outcome escape = runPopup(popup, [](SelectionPopupWindow& w) {
        w.combo()->showPopup();
        QTest::keyClick(w.combo()->view(), Qt::Key_Escape);
    });
    QCOMPARE(escape.text, std::string());
    QCOMPARE(popup.endCode(), SelectionPopup::kCancelled);
}

void SelectionPopupTest::enterInTheDroppedListTakesNoRowTheOperatorDidNotMoveTo()
{
    // Qt highlights a row of its own as the list drops ("none" here); Enter then
    // keeps the field's text, so the port in use stays.
    SelectionPopup popup;
    Outcome unchanged = runPopup(popup, [](SelectionPopupWindow& w) {
        w.combo()->showPopup();
        QVERIFY(w.combo()->view()->isVisible());
        QTest::keyClick(w.combo()->view(), Qt::Key_Return);
    });
    QVERIFY(!unchanged.timedOut);
    QCOMPARE(unchanged.text, std::string("COM 1"));

    Outcome typed = runPopup(popup, [](SelectionPopupWindow& w) {
        w.combo()->lineEdit()->selectAll();
        QTest::keyClicks(w.combo(), "/dev/ttyUSB0");
        QTest::keyClick(w.combo(), Qt::Key_Down, Qt::AltModifier);  // drops the list
        QVERIFY(w.combo()->view()->isVisible());
        QTest::keyClick(w.combo()->view(), Qt::Key_Return);
    });
    QCOMPARE(typed.text, std::string("/dev/ttyUSB0"));

    // A highlight the operator moves is a choice.
    Outcome moved = runPopup(popup, [](SelectionPopupWindow& w) {
        w.combo()->showPopup();
        QTest::keyClick(w.combo()->view(), Qt::Key_Down);
        QTest::keyClick(w.combo()->view(), Qt::Key_Down);
        QTest::keyClick(w.combo()->view(), Qt::Key_Return);
    });
    QCOMPARE(moved.text, std::string("COM2"));
}

void SelectionPopupTest::typingThenEnter()
{
    SelectionPopup popup;
    Outcome outcome = runPopup(popup, [](SelectionPopupWindow& w) {
        w.combo()->lineEdit()->selectAll();
        QTest::keyClicks(w.combo(), "COM4");
        // Typing never completes from the list nor adds to it.
        QCOMPARE(w.combo()->currentText(), QStringLiteral("COM4"));
        QTest::keyClick(w.combo(), Qt::Key_Return);
        QCOMPARE(w.combo()->count(), 10);
    });
    QVERIFY(!outcome.timedOut);
    QCOMPARE(outcome.text, std::string("COM4"));

    // A half-typed word is taken as it stands, even where an entry begins with it.
    Outcome partial = runPopup(popup, [](SelectionPopupWindow& w) {
        w.combo()->lineEdit()->selectAll();
        QTest::keyClicks(w.combo(), "CO");
        QTest::keyClick(w.combo(), Qt::Key_Return);
    });
    QCOMPARE(partial.text, std::string("CO"));
}

void SelectionPopupTest::clearThenAccept()
{
    SelectionPopup popup;
    Outcome cleared = runPopup(popup, [&popup](SelectionPopupWindow& w) {
        click(w, SelectionPopupWindow::kClearId);
        QCOMPARE(w.combo()->currentIndex(), -1);
        QCOMPARE(w.combo()->currentText(), QString());
        QCOMPARE(popup.resultText(), std::string());
        click(w, SelectionPopupWindow::kAcceptId);
    }, "");
    QVERIFY(!cleared.timedOut);
    QCOMPARE(cleared.text, std::string());
    QCOMPARE(popup.endCode(), SelectionPopup::kAccepted);  // an empty accept, unlike Cancel's 901

    Outcome typed = runPopup(popup, [](SelectionPopupWindow& w) {
        click(w, SelectionPopupWindow::kClearId);
        QTest::keyClicks(w.combo(), "COM8");
        click(w, SelectionPopupWindow::kAcceptId);
    });
    QCOMPARE(typed.text, std::string("COM8"));
}

void SelectionPopupTest::closeBoxCancels()
{
    SelectionPopup popup;
    Outcome outcome = runPopup(popup, [](SelectionPopupWindow& w) {
        QTest::keyClicks(w.combo(), "2");
        QVERIFY(!w.close());  // the close box asks; the pop-up ends itself
    });
    QVERIFY(!outcome.timedOut);
    QCOMPARE(outcome.text, std::string());
    QCOMPARE(popup.endCode(), SelectionPopup::kCancelled);
    QVERIFY(!SelectionPopup::anyOpen());
}

void SelectionPopupTest::twoCloseRequestsEndTheWindowOnce()
{
    SelectionPopup popup;
    Outcome doubled = runPopup(popup, [&](SelectionPopupWindow& w) {
        click(w, SelectionPopupWindow::kAcceptId);
        click(w, SelectionPopupWindow::kAcceptId);
        QVERIFY(!popup.ending());  // both close requests are queued, none acted on yet
    });
    QVERIFY(!doubled.timedOut);
    QCOMPARE(doubled.text, std::string("COM 1"));
    QVERIFY(popup.ending());

    // The second close request died with its window: the next pop-up stays up.
    bool stillUp = false;
    Outcome next = runPopup(popup, [&](SelectionPopupWindow& w) {
        QTest::qWait(50);
        stillUp = w.isVisible() && !popup.ending();
        QTest::keyClick(w.combo(), Qt::Key_Escape);
    });
    QVERIFY(stillUp);
    QCOMPARE(next.text, std::string());

    // Accept followed at once by Cancel: the last word before the window ends counts.
    Outcome mixed = runPopup(popup, [](SelectionPopupWindow& w) {
        QTest::keyClick(w.combo(), Qt::Key_Return);
        QTest::keyClick(w.combo(), Qt::Key_Escape);
    });
    QCOMPARE(mixed.text, std::string());
}

void SelectionPopupTest::keysOfOtherWindowsActOnThePopup()
{
    QWidget main;
    auto* entry = new QPlainTextEdit(&main);
    int escapes = 0;
    auto* closeOnEsc = new QShortcut(QKeySequence(Qt::Key_Escape), &main);
    connect(closeOnEsc, &QShortcut::activated, [&escapes] { ++escapes; });
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));

    SelectionPopup popup;
    const auto focusEntry = [&] {
        main.activateWindow();
        entry->setFocus();
        QTRY_VERIFY(entry->hasFocus());
    };
    Outcome enter = runPopup(popup, [&](SelectionPopupWindow&) {
        focusEntry();
        QTest::keyClicks(entry, "ab");
        QTest::keyClick(entry, Qt::Key_Return);
    });
    QVERIFY(!enter.timedOut);
    QCOMPARE(enter.text, std::string("COM 1"));
    QCOMPARE(entry->toPlainText(), QStringLiteral("ab"));  // no line break reached the entry

    Outcome escape = runPopup(popup, [&](SelectionPopupWindow&) {
        focusEntry();
        QTest::keyClick(entry, Qt::Key_Escape);
    });
    QVERIFY(!escape.timedOut);
    QCOMPARE(escape.text, std::string());
    QCOMPARE(escapes, 0);  // the main window's own Esc did not fire

    // Once the pop-up is gone the keys belong to their windows again.
    focusEntry();
    QTest::keyClick(entry, Qt::Key_Return);
    QTest::keyClick(entry, Qt::Key_Escape);
    QCOMPARE(entry->toPlainText(), QStringLiteral("ab\n"));
    QCOMPARE(escapes, 1);
}

void SelectionPopupTest::otherWindowsStayUsable()
{
    QWidget main;
    auto* layout = new QVBoxLayout(&main);
    auto* other = new QPushButton(QStringLiteral("Output"), &main);
    layout->addWidget(other);
    int clicks = 0;
    connect(other, &QPushButton::clicked, [&clicks] { ++clicks; });
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));

    SelectionPopup popup;
    Outcome outcome = runPopup(popup, [&](SelectionPopupWindow& w) {
        QCOMPARE(w.windowModality(), Qt::NonModal);
        QVERIFY(w.parentWidget() == nullptr);
        QTest::mouseClick(other, Qt::LeftButton);
        // A timer of the program keeps running inside the pop-up's loop, too.
        QTimer::singleShot(10, [&w] { QTest::keyClick(w.combo(), Qt::Key_Return); });
    });
    QVERIFY(!outcome.timedOut);
    QCOMPARE(clicks, 1);
    QCOMPARE(outcome.text, std::string("COM 1"));
}

void SelectionPopupTest::onlyOnePopupAtATime()
{
    SelectionPopup first;
    SelectionPopup second;
    std::string secondText = "unset";
    Outcome outcome = runPopup(first, [&](SelectionPopupWindow& w) {
        QVERIFY(SelectionPopup::anyOpen());
        secondText = second.run("p", "x", {"a"}, "c");  // turned away at once
        QVERIFY(second.window() == nullptr);
        QVERIFY(SelectionPopup::anyOpen());
        QTest::keyClick(w.combo(), Qt::Key_Return);
    });
    QCOMPARE(secondText, std::string());
    QCOMPARE(outcome.text, std::string("COM 1"));
    QVERIFY(!SelectionPopup::anyOpen());
}

void SelectionPopupTest::listEndsAtTheFirstEmptyEntry()
{
    SelectionPopup popup;
    QStringList entries;
    Outcome outcome = runPopup(popup, [&](SelectionPopupWindow& w) {
        for (int i = 0; i < w.combo()->count(); ++i)
            entries << w.combo()->itemText(i);
        QTest::keyClick(w.combo(), Qt::Key_Escape);
    }, "x", {"b", "a", "a", "", "c"});
    QCOMPARE(entries, (QStringList{"b", "a", "a"}));  // in the order given, doubles kept
}

void SelectionPopupTest::layoutIdsAndFrame()
{
    SelectionPopup popup;
    Outcome outcome = runPopup(popup, [](SelectionPopupWindow& w) {
        const DialogUnits units = DialogUnits::forFont(dialogFont());
        QCOMPARE(w.size(), QSize(units.x(200), units.y(70)));
        QCOMPARE(w.minimumSize(), w.maximumSize());
        QCOMPARE(w.windowTitle(), QStringLiteral("PTT control"));
        const Qt::WindowFlags flags = w.windowFlags();
        QVERIFY(flags & Qt::Dialog);
        QVERIFY(flags & Qt::WindowTitleHint);
        QVERIFY(flags & Qt::WindowSystemMenuHint);
        QVERIFY(flags & Qt::WindowCloseButtonHint);
        QVERIFY(!(flags & Qt::WindowMinimizeButtonHint));
        QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));

        // The controls in their creation order, with their IDs.
        QList<int> ids;
        for (QObject* child : w.children())
            if (child->property(SelectionPopupWindow::kControlIdProperty).isValid())
                ids << child->property(SelectionPopupWindow::kControlIdProperty).toInt();
        QCOMPARE(ids, (QList<int>{1525, 1526, 254, 255, 253}));

        QWidget* combo = w.control(1525);
        QCOMPARE(combo, static_cast<QWidget*>(w.combo()));
        QCOMPARE(combo->pos(), QPoint(units.x(10), units.y(42)));
        QCOMPARE(combo->width(), units.x(100));
        QVERIFY(combo->height() < units.y(60));
        QVERIFY(w.combo()->isEditable());
        QVERIFY(!(combo->focusPolicy() & Qt::TabFocus));
        QCOMPARE(w.control(1526)->geometry(), units.rect(10, 10, 130, 24));
        QCOMPARE(w.control(254)->geometry(), units.rect(150, 10, 40, 14));
        QCOMPARE(w.control(255)->geometry(), units.rect(150, 26, 40, 14));
        QCOMPARE(w.control(253)->geometry(), units.rect(150, 42, 40, 14));
        for (int id : {254, 255, 253})
            QCOMPARE(w.control(id)->focusPolicy(), Qt::NoFocus);
        QCOMPARE(qobject_cast<DrawnButton*>(w.control(254))->caption(), QStringLiteral("Accept"));
        QCOMPARE(qobject_cast<DrawnButton*>(w.control(255))->caption(), QStringLiteral("Cancel"));
        QCOMPARE(qobject_cast<DrawnButton*>(w.control(253))->caption(), QStringLiteral("Clear"));

        QCOMPARE(w.prompt()->text(), QStringLiteral("Select comport for PTT control"));
        QVERIFY(w.prompt()->wordWrap());
        QCOMPARE(w.prompt()->textFormat(), Qt::PlainText);

        QTRY_VERIFY(w.combo()->hasFocus());
        // Centred on the screen, give or take the frame the window system adds.
        const QPoint middle = QGuiApplication::primaryScreen()->availableGeometry().center();
        QVERIFY((w.frameGeometry().center() - middle).manhattanLength() <= 10);
        QTest::keyClick(w.combo(), Qt::Key_Escape);
    });
    QVERIFY(outcome.stepsRan && !outcome.timedOut);
}

void SelectionPopupTest::colours()
{
    SelectionPopup popup;
    Outcome outcome = runPopup(popup, [](SelectionPopupWindow& w) {
        const QImage shot = w.grab().toImage();
        // The ground, in a corner clear of every control.
        QCOMPARE(shot.pixelColor(2, w.height() - 3), QColor(139, 197, 197));
        QCOMPARE(w.prompt()->palette().color(QPalette::WindowText), QColor(255, 255, 0));
        for (QWidget* part : {static_cast<QWidget*>(w.combo()), static_cast<QWidget*>(w.combo()->view())}) {
            QCOMPARE(part->palette().color(QPalette::Text), QColor(255, 0, 255));
            QCOMPARE(part->palette().color(QPalette::Base), QColor(0, 255, 255));
        }
        // The field is painted cyan.
        const QImage field = w.combo()->lineEdit()->grab().toImage();
        QCOMPARE(field.pixelColor(field.width() - 2, field.height() / 2), QColor(0, 255, 255));

        const struct {
            int id;
            QColor fill, caption;
        } buttons[] = {
            {254, QColor(255, 255, 0), QColor(0, 0, 0)},
            {255, QColor(255, 0, 0), QColor(255, 255, 0)},
            {253, QColor(0, 255, 255), QColor(0, 0, 0)},
        };
        for (const auto& b : buttons) {
            auto* drawn = qobject_cast<DrawnButton*>(w.control(b.id));
            QVERIFY(drawn);
            QCOMPARE(drawn->text(), QString());  // the caption lives in the drawing only
            const QImage image = drawn->grab().toImage();
            QCOMPARE(image.pixelColor(3, 3), b.fill);
            // The caption's colour, smoothed at its strokes, shows in the middle band.
            const auto distance = [](const QColor& a, const QColor& c) {
                return std::abs(a.red() - c.red()) + std::abs(a.green() - c.green()) + std::abs(a.blue() - c.blue());
            };
            int captionPixels = 0;
            for (int y = 3; y < image.height() - 3; ++y)
                for (int x = 3; x < image.width() - 3; ++x)
                    if (distance(image.pixelColor(x, y), b.caption) < 100)
                        ++captionPixels;
            QVERIFY(captionPixels > 5);
            // Bump edge: raised outside, sunken inside.
            const QColor light = drawn->palette().color(QPalette::Active, QPalette::Midlight);
            const QColor dark = drawn->palette().color(QPalette::Active, QPalette::Shadow);
            const int right = image.width() - 1;
            const int bottom = image.height() - 1;
            QCOMPARE(image.pixelColor(right / 2, 0).rgb(), light.rgb());
            QCOMPARE(image.pixelColor(0, bottom / 2).rgb(), light.rgb());
            QCOMPARE(image.pixelColor(right / 2, bottom).rgb(), dark.rgb());
            QCOMPARE(image.pixelColor(right, bottom / 2).rgb(), dark.rgb());
            QCOMPARE(image.pixelColor(right / 2, 1).rgb(), dark.rgb());
            QCOMPARE(image.pixelColor(1, bottom / 2).rgb(), dark.rgb());
            QCOMPARE(image.pixelColor(right / 2, bottom - 1).rgb(), light.rgb());
            QCOMPARE(image.pixelColor(right - 1, bottom / 2).rgb(), light.rgb());
        }
        QTest::keyClick(w.combo(), Qt::Key_Escape);
    });
    QVERIFY(outcome.stepsRan && !outcome.timedOut);
}

void SelectionPopupTest::buttonsLookTheSameInEveryState()
{
    DrawnButton button(QStringLiteral("Cancel"), QColor(255, 0, 0), QColor(255, 255, 0));
    button.resize(60, 23);
    const QImage normal = button.grab().toImage();
    button.setDown(true);
    QCOMPARE(button.grab().toImage(), normal);
    button.setDown(false);
    button.setEnabled(false);
    QCOMPARE(button.grab().toImage(), normal);
    button.setEnabled(true);
    button.show();
    QVERIFY(QTest::qWaitForWindowExposed(&button));
    button.activateWindow();
    button.setFocus(Qt::OtherFocusReason);
    QCOMPARE(button.grab().toImage(), normal);

    // An ampersand is drawn, not turned into an underline.
    DrawnButton plain(QStringLiteral("R D"), QColor(255, 0, 0), QColor(255, 255, 0));
    DrawnButton ampersand(QStringLiteral("R&D"), QColor(255, 0, 0), QColor(255, 255, 0));
    plain.resize(60, 23);
    ampersand.resize(60, 23);
    QVERIFY(plain.grab().toImage() != ampersand.grab().toImage());
}

void SelectionPopupTest::captionFontHeight()
{
    QCOMPARE(DrawnButton::captionFontHeight(96), -10);
    QCOMPARE(DrawnButton::captionFontHeight(120), -13);
    QCOMPARE(DrawnButton::captionFontHeight(72), -8);
    QCOMPARE(DrawnButton::captionFontHeight(144), -16);
    QCOMPARE(DrawnButton::captionFontHeight(100), -11);  // 11.1 toward zero
    QCOMPARE(DrawnButton::captionFont(96).pixelSize(), 10);
    QCOMPARE(DrawnButton::captionFont(120).pixelSize(), 13);
    QCOMPARE(DrawnButton::captionFont(96).family(), QStringLiteral("MS Sans Serif"));
}

void SelectionPopupTest::dialogUnitsRoundLikeDialogTemplates()
{
    // Base units of 6 x 13 pixels, as 8-point MS Sans Serif gives at 96 dpi.
    const DialogUnits units{6, 13};
    QCOMPARE(units.x(200), 300);
    QCOMPARE(units.x(1), 2);    // 1.5 rounds up
    QCOMPARE(units.x(-1), -2);  // and away from zero
    QCOMPARE(units.y(70), 114); // 113.75
    QCOMPARE(units.y(14), 23);  // 22.75
    QCOMPARE(units.y(26), 42);  // 42.25
    QCOMPARE(units.rect(150, 10, 40, 14), QRect(225, 16, 60, 23));
}

void SelectionPopupTest::choosingAPortThroughThePopup()
{
    FakeSerialLines lines;
    FakeOperatorMessages messages;
    PttPort port(lines, messages);
    RecordingWindow window;
    SelectionPopup popup;
    QVERIFY(port.openCurrent());

    bool disabledMeanwhile = false;
    QString offered;
    QTimer::singleShot(0, [&] {
        SelectionPopupWindow* w = popup.window();
        QVERIFY(w);
        disabledMeanwhile = !window.pttEnabled && !window.toggleEnabled;
        offered = w->combo()->currentText();
        w->combo()->lineEdit()->selectAll();
        QTest::keyClicks(w->combo(), "COM12");
        QTest::keyClick(w->combo(), Qt::Key_Return);
    });
    QCOMPARE(port.choose(window, popup), 1);
    QVERIFY(disabledMeanwhile);
    QCOMPARE(offered, QStringLiteral("COM 1"));
    QCOMPARE(port.portNumber(), 2);
    QCOMPARE(lines.openPort, 2);
    QVERIFY(window.pttEnabled && window.toggleEnabled);

    // Cancelled: the same port closed, opened again and released.
    lines.events.clear();
    QTimer::singleShot(0, [&] { QTest::keyClick(popup.window()->combo(), Qt::Key_Escape); });
    QCOMPARE(port.choose(window, popup), 1);
    QCOMPARE(lines.events, (std::vector<std::string>{"close", "open 2", "dtr off", "rts off"}));
    QVERIFY(messages.shown.empty());
}

QTEST_MAIN(SelectionPopupTest)
#include "SelectionPopupTest.moc"
