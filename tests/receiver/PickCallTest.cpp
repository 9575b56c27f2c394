// SPDX-License-Identifier: GPL-3.0-or-later
// Double-clicking a word in the receiver's pane makes it the other station's call,
// which another instance (as the transmitter holds one) then sees.

#include "platform/OtherStationCall.h"
#include "receiver/ReceivedTextEdit.h"
#include "receiver/ReceiverWindow.h"
#include "tests/receiver/ReceiverTestSupport.h"

#include <QSignalSpy>
#include <QTest>

namespace {

// Double-clicks the pane at the middle of character `position`.
void DoubleClickAt(ReceivedTextEdit& pane, int position)
{
    QTextCursor cursor(pane.document());
    cursor.setPosition(position);
    const QRect left = pane.cursorRect(cursor);
    cursor.setPosition(position + 1);
    const QPoint at((left.left() + pane.cursorRect(cursor).left()) / 2, left.center().y());
    QTest::mouseDClick(pane.viewport(), Qt::LeftButton, Qt::NoModifier, at);
}

}  // namespace

class PickCallTest : public QObject {
    Q_OBJECT

private slots:
    void aDoubleClickedWordBecomesTheOtherStationsCall()
    {
        ReceiverRig rig;
        rig.window.show();
        ReceivedTextEdit& pane = *rig.window.textPane();
        pane.setPlainText(QStringLiteral("cq cq de dl1abc/p pse k\nea3xyz:   ge"));

        OtherStationCall transmitter;  // another instance, as in the transmitter
        QSignalSpy changed(&transmitter, &OtherStationCall::changed);
        DoubleClickAt(pane, 11);  // the 'l' of "dl1abc/p"
        QCOMPARE(rig.window.otherStationCall().call(), QStringLiteral("DL1ABC/P"));
        QVERIFY(changed.count() > 0 || changed.wait());
        QCOMPARE(transmitter.call(), QStringLiteral("DL1ABC/P"));

        // The punctuation after a call is not part of it.
        DoubleClickAt(pane, 25);  // the 'a' of "ea3xyz:"
        QCOMPARE(rig.window.otherStationCall().call(), QStringLiteral("EA3XYZ"));
        // Between words (the middle of three spaces): the call stays.
        DoubleClickAt(pane, 32);
        QCOMPARE(rig.window.otherStationCall().call(), QStringLiteral("EA3XYZ"));
    }

    void wordAtTakesLettersDigitsAndSlashes()
    {
        ReceivedTextEdit pane;
        pane.setPlainText(QStringLiteral("<de G4XYZ/MM>, k"));
        QCOMPARE(pane.wordAt(6), QStringLiteral("G4XYZ/MM"));
        QCOMPARE(pane.wordAt(4), QStringLiteral("G4XYZ/MM"));  // at its first character
        QCOMPARE(pane.wordAt(12), QStringLiteral("G4XYZ/MM"));  // just after its last
        QCOMPARE(pane.wordAt(14), QString());  // between ',' and ' '
        QCOMPARE(pane.wordAt(99), QStringLiteral("k"));  // past the end: the last word
    }
};

QTEST_MAIN(PickCallTest)
#include "PickCallTest.moc"
