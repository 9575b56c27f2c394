// SPDX-License-Identifier: GPL-3.0-or-later
// Message boxes: the operator sees the right texts and icon, and while a box waits
// the program's other windows stay usable and its events keep being handled.

#include "platform/QtOperatorMessages.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <functional>

namespace {

QMessageBox* visibleMessageBox(const QMessageBox* except = nullptr)
{
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* box = qobject_cast<QMessageBox*>(widget); box != nullptr && box != except && box->isVisible())
            return box;
    }
    return nullptr;
}

// Calls act(box) once the box shows, from the box's own event loop.
void whenBoxShows(std::function<void(QMessageBox*)> act, const QMessageBox* except = nullptr)
{
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, poll, [poll, act, except] {
        if (QMessageBox* box = visibleMessageBox(except)) {
            poll->stop();
            poll->deleteLater();
            act(box);
        }
    });
    poll->start(5);
}

TEST(QtOperatorMessages, ShowsAnOwnerlessBoxAndReturnsOnceAcknowledged)
{
    QWidget mainWindow;
    mainWindow.show();
    QtOperatorMessages messages;

    int ticksWhileShown = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticksWhileShown; });
    ticker.start(2);

    bool checked = false;
    whenBoxShows([&](QMessageBox* box) {
        EXPECT_EQ(box->windowTitle(), "MSK transmitter");
        EXPECT_EQ(box->text(), "Error opening waveform audio device!");
        EXPECT_EQ(box->icon(), QMessageBox::Warning);
        EXPECT_EQ(box->parentWidget(), nullptr);
        EXPECT_EQ(box->windowModality(), Qt::NonModal);
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr) << "the main window stays usable";
        EXPECT_TRUE(mainWindow.isEnabled());
        ASSERT_EQ(box->buttons().size(), 1);
        EXPECT_EQ(box->standardButton(box->buttons().front()), QMessageBox::Ok);
        // Give the program's own events some time before the operator answers.
        QTimer::singleShot(60, box, [box, &checked] {
            checked = true;
            QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
        });
    });
    messages.showMessage("MSK transmitter", "Error opening waveform audio device!", MessageIcon::Exclamation);

    EXPECT_TRUE(checked) << "returned before the operator answered";
    EXPECT_GT(ticksWhileShown, 5) << "events are handled while the box waits";
    EXPECT_EQ(visibleMessageBox(), nullptr);
}

TEST(QtOperatorMessages, IconsAndEveryWayOfClosingTheBox)
{
    struct Case {
        MessageIcon icon;
        QMessageBox::Icon shown;
        std::function<void(QMessageBox*)> close;
    };
    const Case cases[] = {
        {MessageIcon::None, QMessageBox::NoIcon, [](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Escape); }},
        {MessageIcon::Exclamation, QMessageBox::Warning, [](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Return); }},
        {MessageIcon::Stop, QMessageBox::Critical, [](QMessageBox* box) { box->close(); }},  // the title bar's close
    };
    QtOperatorMessages messages;
    for (const Case& c : cases) {
        QMessageBox::Icon seen = QMessageBox::Question;
        whenBoxShows([&](QMessageBox* box) {
            seen = box->icon();
            c.close(box);
        });
        messages.showMessage("Comport", "Failure to open comport", c.icon);
        EXPECT_EQ(seen, c.shown);
    }
}

TEST(QtOperatorMessages, DeviceTextsAreShownAsTheyAre)
{
    QtOperatorMessages messages;
    const std::string text = "Unanticipated host error: <card> & \"default\"";
    QString shown;
    Qt::TextFormat format = Qt::RichText;
    whenBoxShows([&](QMessageBox* box) {
        shown = box->text();
        format = box->textFormat();
        box->accept();
    });
    messages.showMessage("MSK receiver", text, MessageIcon::None);
    EXPECT_EQ(shown.toStdString(), text);
    EXPECT_EQ(format, Qt::PlainText);
}

TEST(QtOperatorMessages, ABoxOpenedWhileAnotherWaitsReturnsFirst)
{
    // A repeated failure while a box is open opens a further box from the first
    // one's loop; each call returns when its own box is answered.
    QtOperatorMessages messages;
    std::vector<std::string> order;
    whenBoxShows([&](QMessageBox* first) {
        QTimer::singleShot(0, first, [&, first] {
            whenBoxShows([&](QMessageBox* second) {
                EXPECT_NE(second, first);
                EXPECT_TRUE(first->isVisible());
                QTimer::singleShot(0, second, [second] { second->accept(); });
            }, first);
            messages.showMessage("MSK receiver", "second", MessageIcon::None);
            order.push_back("second returned");
            first->accept();
        });
    });
    messages.showMessage("MSK receiver", "first", MessageIcon::None);
    order.push_back("first returned");
    EXPECT_EQ(order, (std::vector<std::string>{"second returned", "first returned"}));
}

}  // namespace
