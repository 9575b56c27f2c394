// SPDX-License-Identifier: GPL-3.0-or-later
// The window's own widgets on Qt's offscreen platform: the received-text pane as
// the decoder drives it, the up-down's steps and acceleration, and the scope
// keeping and painting the picture it is given.

#include "receiver/ReceivedTextEdit.h"
#include "receiver/ScopeWidget.h"
#include "receiver/UpDown.h"
#include "tests/receiver/ReceiverTestSupport.h"

#include <QLabel>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

class ReceiverWidgetsTest : public QObject {
    Q_OBJECT

private slots:
    void paneAppendsAtTheEndWhereverTheCaretIs()
    {
        ReceivedTextEdit pane;
        pane.setPlainText(QStringLiteral("abc"));
        QTextCursor c = pane.textCursor();
        c.setPosition(1);
        pane.setTextCursor(c);
        QCOMPARE(pane.textLength(), 3);
        pane.selectRange(pane.textLength(), pane.textLength());
        pane.replaceSelection("d");
        pane.scrollToCaret();
        QCOMPARE(pane.toPlainText(), QStringLiteral("abcd"));
        QCOMPARE(pane.textCursor().position(), 4);
    }

    void paneDeletesItsLastCharacterAndNothingWhenEmpty()
    {
        ReceivedTextEdit pane;
        pane.setPlainText(QStringLiteral("abc"));
        pane.selectRange(pane.textLength() - 1, pane.textLength());
        pane.deleteSelection();
        QCOMPARE(pane.toPlainText(), QStringLiteral("ab"));
        pane.clear();
        pane.selectRange(-1, 0);
        pane.deleteSelection();
        QCOMPARE(pane.toPlainText(), QString());
        QCOMPARE(pane.textLength(), 0);
    }

    void paneCountsALineFeedAsOneCharacter()
    {
        ReceivedTextEdit pane;
        for (const char* s : {"a", "\n", "b"}) {
            pane.selectRange(pane.textLength(), pane.textLength());
            pane.replaceSelection(s);
        }
        QCOMPARE(pane.textLength(), 3);
        QCOMPARE(pane.toPlainText(), QStringLiteral("a\nb"));
        pane.selectRange(2, 3);
        pane.deleteSelection();
        pane.selectRange(1, 2);
        pane.deleteSelection();
        QCOMPARE(pane.toPlainText(), QStringLiteral("a"));
    }

    // The decoder's backspace selects the last unit and deletes it; after a
    // character outside the BMP (two UTF-16 units) the whole character goes.
    void paneBackspaceRemovesAWholeCharacter()
    {
        ReceivedTextEdit pane;
        pane.setPlainText(QString::fromUtf8("a\U0001F600b\U0001D11E"));
        QCOMPARE(pane.textLength(), 6);
        const QString expected[] = {QString::fromUtf8("a\U0001F600b"), QString::fromUtf8("a\U0001F600"),
                                    QStringLiteral("a"), QString()};
        for (const QString& text : expected) {
            const int n = pane.textLength();
            pane.selectRange(n - 1, n);
            pane.deleteSelection();
            QCOMPARE(pane.toPlainText(), text);
        }
    }

    void paneShowsBytesAsWindows1252()
    {
        ReceivedTextEdit pane;
        // Euro sign, acute accent, a-umlaut, y-diaeresis, and an undefined byte.
        for (const char* s : {"\x80", "\xB4", "\xE4", "\xFF", "\x81"}) {
            pane.selectRange(pane.textLength(), pane.textLength());
            pane.replaceSelection(s);
        }
        QCOMPARE(pane.toPlainText(), QString::fromUtf8("\u20AC\u00B4\u00E4\u00FF\u0081"));
        QCOMPARE(pane.textLength(), 5);
    }

    void paneInsertsNothingForAnEmptyString()
    {
        ReceivedTextEdit pane;
        pane.setPlainText(QStringLiteral("x"));
        pane.selectRange(1, 1);
        pane.replaceSelection("");
        QCOMPARE(pane.toPlainText(), QStringLiteral("x"));
    }

    void receivedTextCannotBeUndone()
    {
        ReceivedTextEdit pane;
        pane.selectRange(0, 0);
        pane.replaceSelection("k");
        pane.undo();
        QCOMPARE(pane.toPlainText(), QStringLiteral("k"));
        QVERIFY(!pane.isReadOnly());
    }

    void upDownReportsMinusOneUpAndPlusOneDown()
    {
        UpDown upDown;
        QSignalSpy steps(&upDown, &UpDown::deltaPos);
        QTest::mouseClick(upDown.upArrow(), Qt::LeftButton);
        QTest::mouseClick(upDown.downArrow(), Qt::LeftButton);
        QTest::mouseClick(upDown.downArrow(), Qt::LeftButton);
        QCOMPARE(steps.count(), 3);
        QCOMPARE(steps[0][0].toInt(), -1);
        QCOMPARE(steps[1][0].toInt(), 1);
        QCOMPARE(steps[2][0].toInt(), 1);
    }

    void upDownTakesItsPlaceFromTheBuddy()
    {
        QWidget parent;
        auto* label = new QLabel(QStringLiteral("1000"), &parent);
        label->setGeometry(230, 15, 60, 25);
        auto* upDown = new UpDown(&parent);
        upDown->setBuddy(label);
        QCOMPARE(upDown->geometry(), QRect(230, 15, UpDown::kWidth, 25));
        QCOMPARE(label->geometry(), QRect(230 + UpDown::kWidth, 15, 60 - UpDown::kWidth, 25));
        QCOMPARE(upDown->upArrow()->geometry().bottom() + 1, upDown->downArrow()->geometry().top());
    }

    void heldArrowAcceleratesFromOneToFiveToTwenty()
    {
        QCOMPARE(UpDown::AcceleratedStep(0), 1);
        QCOMPARE(UpDown::AcceleratedStep(1999), 1);
        QCOMPARE(UpDown::AcceleratedStep(2000), 5);
        QCOMPARE(UpDown::AcceleratedStep(4999), 5);
        QCOMPARE(UpDown::AcceleratedStep(5000), 20);
        QCOMPARE(UpDown::AcceleratedStep(60000), 20);

        UpDown upDown;
        QSignalSpy steps(&upDown, &UpDown::deltaPos);
        QTest::mousePress(upDown.upArrow(), Qt::LeftButton);
        QTest::qWait(2400);
        QTest::mouseRelease(upDown.upArrow(), Qt::LeftButton);
        const int afterRelease = steps.count();
        QVERIFY(afterRelease > 10);
        QCOMPARE(steps.first()[0].toInt(), -1);
        QCOMPARE(steps.last()[0].toInt(), -5);
        for (const QList<QVariant>& s : steps)
            QVERIFY(s[0].toInt() < 0);
        QTest::qWait(300);
        QCOMPARE(steps.count(), afterRelease);  // released: no more steps
    }

    void scopeShowsTheImageItIsGivenAndRepaintsIt()
    {
        ScopeWidget scope;
        scope.resize(128, 85);
        QImage picture(128, 85, QImage::Format_RGB32);
        picture.fill(Qt::black);
        for (int y = 25; y <= 57; ++y)
            picture.setPixelColor(41, y, QColor(0, 255, 255));
        const uchar* storage = scope.shownImage().constBits();
        scope.showDisplayImage(picture);
        QCOMPARE(scope.shownImage().constBits(), storage);  // copied in place
        // Inside the one-pixel sunken frame the picture starts at (1, 1).
        const QImage shown = scope.grab().toImage();
        QCOMPARE(shown.pixelColor(42, 30), QColor(0, 255, 255));
        QCOMPARE(CountPixels(shown, QColor(0, 255, 255)), 33);
        // The source may change afterwards; what was shown stays.
        picture.fill(Qt::black);
        QCOMPARE(CountPixels(scope.grab().toImage(), QColor(0, 255, 255)), 33);
    }

    void releasedScopeDrawsNoPicture()
    {
        ScopeWidget scope;
        scope.resize(128, 85);
        QImage picture(128, 85, QImage::Format_RGB32);
        picture.fill(QColor(255, 255, 0));
        scope.showDisplayImage(picture);
        scope.ReleaseDisplay();
        scope.showDisplayImage(picture);
        QCOMPARE(CountPixels(scope.grab().toImage(), QColor(255, 255, 0)), 0);
    }
};

QTEST_MAIN(ReceiverWidgetsTest)
#include "ReceiverWidgetsTest.moc"
