// SPDX-License-Identifier: GPL-3.0-or-later
// The receiver as an operator works it through a contact: the pane growing with
// the window, the text size keys, saving and clearing the pane, the timestamps and
// the received-text log along a station's over, a log that cannot be written, the
// --log-dir option, and the places of the window and the waterfall remembered.

#include "receiver/ReceivedTextEdit.h"
#include "receiver/ReceiverOptions.h"
#include "receiver/ReceiverWindow.h"
#include "receiver/WaterfallWindow.h"
#include "tests/receiver/ReceiverTestSupport.h"
#include "tests/receiver/SetClock.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMenuBar>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>

#include <chrono>

namespace {

using namespace std::chrono;
using namespace std::chrono_literals;


QByteArray Contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
}

// A window whose log goes to a folder of the test and whose clock the test sets.
struct Rig : ReceiverRig {
    explicit Rig(bool firstStart = true) : ReceiverRig(firstStart)
    {
        window.setClock(clock);
        window.setLogFolder(folder.path());
    }
    QString logFile() const { return folder.filePath(QStringLiteral("2026-12-07.txt")); }

    SetClock clock;
    QTemporaryDir folder;
};

}  // namespace

class ReceiverOperatingTest : public QObject {
    Q_OBJECT

private slots:
    // Larger, the pane takes the room; the controls keep their places; back at the
    // first size it is as before, and the window never gets smaller than that.
    void paneGrowsWithTheWindow()
    {
        Rig rig;
        rig.window.show();
        const int bar = rig.window.clientArea()->y();
        QWidget* const pane = rig.window.textPane();
        QWidget* const start = rig.window.control(ReceiverWindow::kStartId);
        QWidget* const centre = rig.window.control(ReceiverWindow::kCentreLabelId);
        const QRect startPlace = start->geometry();
        const QRect centrePlace = centre->geometry();

        rig.window.resize(1000, 700);
        // 1000 - 5 - 5 across; 700 - bar - 135 - 5 down.
        QCOMPARE(pane->geometry(), QRect(5, 135, 990, 560 - bar));
        QCOMPARE(rig.window.clientArea()->geometry(), QRect(0, bar, 1000, 700 - bar));
        QCOMPARE(rig.window.menuBar()->width(), 1000);
        QCOMPARE(start->geometry(), startPlace);
        QCOMPARE(centre->geometry(), centrePlace);

        rig.window.resize(410, 280 + bar);
        QCOMPARE(pane->geometry(), QRect(5, 135, 400, 140));
        rig.window.resize(300, 200);
        QCOMPARE(rig.window.size(), QSize(410, 280 + bar));
        QCOMPARE(pane->geometry(), QRect(5, 135, 400, 140));
    }

    // Ctrl++ (or Ctrl+=) and Ctrl+- step the pane's font by a point, within 6 ... 36
    // points, and the next start finds the size; the controls keep theirs.
    void textSizeKeysAreRemembered()
    {
        {
            Rig rig;
            rig.window.show();
            rig.window.activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(&rig.window));
            QCOMPARE(rig.window.textPane()->font().pointSizeF(), 8.0);
            QTest::keyClick(&rig.window, Qt::Key_Plus, Qt::ControlModifier);
            QTest::keyClick(&rig.window, Qt::Key_Plus, Qt::ControlModifier);
            QCOMPARE(rig.window.textPane()->font().pointSizeF(), 10.0);
            QTest::keyClick(&rig.window, Qt::Key_Minus, Qt::ControlModifier);
            QCOMPARE(rig.window.textPane()->font().pointSizeF(), 9.0);
            QTest::keyClick(&rig.window, Qt::Key_Equal, Qt::ControlModifier);
            QCOMPARE(rig.window.textPane()->font().pointSizeF(), 10.0);
            QCOMPARE(rig.window.control(ReceiverWindow::kStartId)->font().pointSizeF(), 8.0);
            // The same with the caret in the pane.
            rig.window.textPane()->setFocus();
            QTest::keyClick(rig.window.textPane(), Qt::Key_Plus, Qt::ControlModifier);
            QCOMPARE(rig.window.textPane()->font().pointSizeF(), 11.0);
            QTest::keyClick(rig.window.textPane(), Qt::Key_Minus, Qt::ControlModifier);
        }
        {
            Rig rig(false);
            QCOMPARE(rig.window.textPane()->font().pointSizeF(), 10.0);
            for (int i = 0; i < 10; ++i)
                rig.window.smallerTextAction()->trigger();
            QCOMPARE(rig.window.textPane()->font().pointSizeF(), 6.0);
            for (int i = 0; i < 40; ++i)
                rig.window.largerTextAction()->trigger();
            QCOMPARE(rig.window.textPane()->font().pointSizeF(), 36.0);
        }
    }

    // A station's over through the window, with timestamps on: the program's start
    // and the over (the squelch opening more than 5 s after it) each start a line
    // in the pane and the log; the log holds the text in UTF-8, as does the saved
    // pane; Clear empties the pane only.
    void overIsStampedLoggedSavedAndCleared()
    {
        Rig rig;
        QVERIFY(!rig.window.timestampsAction()->isChecked());
        QVERIFY(rig.window.logAction()->isChecked());
        rig.window.timestampsAction()->trigger();
        rig.clock.at = At(14, 32, 5);
        rig.window.show();
        QCOMPARE(rig.window.textPane()->toPlainText(), QStringLiteral("[14:32Z] "));
        QCOMPARE(Contents(rig.logFile()), QByteArray("[14:32:05Z 1000.0 Hz]\n"));

        rig.window.squelchAction()->trigger();
        QTest::mouseClick(ControlOf<QRadioButton>(rig.window, 3001), Qt::LeftButton);  // 63 baud
        rig.window.capture().StartCapture();
        rig.clock.at = At(14, 40, 0);
        rig.device.play(RecordedTransmission("CQ de DL1ABC \xE4 pse k", 512));
        const QString shown = QString::fromUtf8("[14:32Z] \n[14:40Z] CQ de DL1ABC \u00E4 pse k");
        QCOMPARE(rig.window.textPane()->toPlainText(), shown);
        QCOMPARE(Contents(rig.logFile()),
                 QByteArray("[14:32:05Z 1000.0 Hz]\n[14:40:00Z 1000.0 Hz]\nCQ de DL1ABC \xC3\xA4 pse k"));

        const QString saved = rig.folder.filePath(QStringLiteral("saved.txt"));
        QVERIFY(rig.window.SaveReceivedText(saved));
        QCOMPARE(Contents(saved), shown.toUtf8());
        rig.window.clearTextAction()->trigger();
        QCOMPARE(rig.window.textPane()->toPlainText(), QString());
        QVERIFY(Contents(rig.logFile()).endsWith("pse k"));
        QVERIFY(rig.messages.shown.empty());

        // A file that cannot be written is told, and nothing else changes.
        QVERIFY(!rig.window.SaveReceivedText(rig.folder.filePath(QStringLiteral("no/such/folder/saved.txt"))));
        QCOMPARE(rig.messages.shown.size(), std::size_t{1});
        QVERIFY(rig.messages.shown[0].text.find("no/such/folder/saved.txt") != std::string::npos);
    }

    // A log that cannot be written is reported once; off, the log writes nothing,
    // and the next start finds it off.
    void logFailureIsReportedOnceAndTheLogCanBeTurnedOff()
    {
        {
            Rig rig;
            QFile blocker(rig.folder.filePath(QStringLiteral("blocked")));
            QVERIFY(blocker.open(QIODevice::WriteOnly));
            blocker.close();
            rig.window.setLogFolder(blocker.fileName());  // a file where the folder should be
            rig.window.show();
            QTRY_COMPARE(rig.messages.shown.size(), std::size_t{1});
            QVERIFY(rig.messages.shown[0].text.find("blocked") != std::string::npos);
            rig.window.logAction()->trigger();  // off
            rig.window.logAction()->trigger();  // on again: a new line, failing again
            QCoreApplication::processEvents();
            QCOMPARE(rig.messages.shown.size(), std::size_t{1});
            rig.window.logAction()->trigger();
            QVERIFY(!rig.window.logAction()->isChecked());
        }
        Rig rig(false);
        QVERIFY(!rig.window.logAction()->isChecked());
        rig.window.show();
        QVERIFY(QDir(rig.folder.path()).isEmpty());
    }

    // --log-dir DIR and --log-dir=DIR move the log; without a folder it is a fault.
    void logDirOptionMovesTheLog()
    {
        Rig rig;
        const QString program = QStringLiteral("msk-receiver");
        QVERIFY(ApplyReceiverOptions({program, QStringLiteral("--log-dir"), QStringLiteral("/var/tmp/a")}, rig.window));
        QCOMPARE(QString::fromStdString(rig.window.log().folder().string()), QStringLiteral("/var/tmp/a"));
        QVERIFY(ApplyReceiverOptions({program, QStringLiteral("--other"), QStringLiteral("--log-dir=/var/tmp/b")},
                                     rig.window));
        QCOMPARE(QString::fromStdString(rig.window.log().folder().string()), QStringLiteral("/var/tmp/b"));
        QVERIFY(!ApplyReceiverOptions({program, QStringLiteral("--log-dir")}, rig.window));
        QVERIFY(!ApplyReceiverOptions({program, QStringLiteral("--log-dir=")}, rig.window));
        QCOMPARE(QString::fromStdString(rig.window.log().folder().string()), QStringLiteral("/var/tmp/b"));
    }

    // The waterfall opens beside the receiver the first time; both windows are
    // found where and as large as they were left.
    void windowPlacesAreRemembered()
    {
        QRect receiverPlace;
        QRect waterfallPlace;
        {
            Rig rig;
            rig.window.show();
            rig.window.setGeometry(30, 40, 500, 320);
            rig.window.waterfallAction()->trigger();
            WaterfallWindow* waterfall = rig.window.waterfall();
            QVERIFY(!waterfall->frameGeometry().intersects(rig.window.frameGeometry()));
            waterfall->setGeometry(100, 380, 640, 200);
            receiverPlace = rig.window.geometry();
            waterfallPlace = waterfall->geometry();
            rig.window.close();
        }
        Rig rig(false);
        rig.window.show();
        QCOMPARE(rig.window.geometry(), receiverPlace);
        QVERIFY(rig.window.waterfall()->isVisible());
        QCOMPARE(rig.window.waterfall()->geometry(), waterfallPlace);
        // The pane fits the remembered size.
        QCOMPARE(rig.window.textPane()->width(), 490);
    }
};

QTEST_MAIN(ReceiverOperatingTest)
#include "ReceiverOperatingTest.moc"
