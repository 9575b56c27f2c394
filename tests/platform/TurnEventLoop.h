// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Runs the window thread's event loop, as the programs do between notifications.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <functional>

// Turns the loop until done() holds or the timeout passes; false on timeout.
inline bool turnEventLoopUntil(const std::function<bool()>& done, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        QThread::msleep(1);
    }
    return true;
}

inline void turnEventLoopFor(int milliseconds)
{
    turnEventLoopUntil([] { return false; }, milliseconds);
}
