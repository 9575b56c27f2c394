// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The system asking the program to end (SIGTERM from kill or at logout, SIGINT from
// Ctrl+C in a terminal, SIGHUP when that terminal goes away), turned into a call on
// the window thread. Left to their default these signals end the process at once,
// in the middle of a transmission too: the radio then stays keyed unless the serial
// driver happens to drop DTR and RTS when the port goes. With the call the program
// can end as the operator's close does, sound cut and PTT released first.
//
// The first signal of each kind is caught; the next of the same kind ends the
// program at once, for a program that does not end when asked. One instance at a
// time; it restores the previous handlers when it goes. Where the system has no
// such signals nothing is watched.
// Threads: made, used and destroyed on the window thread; the call comes from its
// event loop, never from inside the signal handler.

#include <QObject>

#include <functional>

class QSocketNotifier;

class TerminationRequests final : public QObject {
public:
    explicit TerminationRequests(std::function<void()> onRequest);
    ~TerminationRequests() override;
    TerminationRequests(const TerminationRequests&) = delete;
    TerminationRequests& operator=(const TerminationRequests&) = delete;

    // True when the signals are being caught.
    bool watching() const { return notifier_ != nullptr; }

private:
    void drain();

    std::function<void()> onRequest_;
    QSocketNotifier* notifier_ = nullptr;  // child of this object
    int readFd_ = -1;
    int writeFd_ = -1;
};
