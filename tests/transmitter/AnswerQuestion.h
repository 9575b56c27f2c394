// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Answers the next message box the program asks with a key, as the operator would,
// from inside the box's own loop, and keeps the box's text.

#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QString>
#include <QTest>
#include <QTimer>

#include <memory>

struct AnsweredQuestion {
    bool asked = false;
    QString text;
    QPointer<QTimer> timer;
    // No box came: stop waiting for one.
    void stop()
    {
        if (timer)
            timer->deleteLater();
    }
};

// Polls every 10 ms from whatever loop runs until a box is up, then presses `key`.
inline std::shared_ptr<AnsweredQuestion> AnswerNextQuestion(Qt::Key key)
{
    auto answered = std::make_shared<AnsweredQuestion>();
    auto* timer = new QTimer;
    answered->timer = timer;
    QObject::connect(timer, &QTimer::timeout, [timer, answered, key] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr || !box->isVisible())
            return;
        timer->stop();
        timer->deleteLater();
        answered->asked = true;
        answered->text = box->text();
        QTest::keyClick(box, key);
    });
    timer->start(10);
    return answered;
}
