// SPDX-License-Identifier: GPL-3.0-or-later
// The system's requests to end the program (kill, logout, Ctrl+C, a closed
// terminal) reach the window thread as a call, instead of ending the process while
// the radio may be keyed.

#include "platform/TerminationRequests.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <gtest/gtest.h>

#if defined(__unix__) || defined(__APPLE__)
#include <csignal>

namespace {

// Runs the event loop until `done` or two seconds have passed.
template <typename Done>
void runUntil(Done done)
{
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < 2000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

TEST(TerminationRequests, EachSignalBecomesOneCallOnTheWindowThread)
{
    int calls = 0;
    TerminationRequests requests([&calls] { ++calls; });
    ASSERT_TRUE(requests.watching());
    int expected = 0;
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        std::raise(signal);  // the process lives on
        ++expected;
        EXPECT_EQ(calls, expected - 1);  // not from inside the signal handler
        runUntil([&] { return calls == expected; });
        EXPECT_EQ(calls, expected) << signal;
    }
    QCoreApplication::processEvents();
    EXPECT_EQ(calls, 3);
}

TEST(TerminationRequests, ASecondSignalOfTheSameKindEndsTheProgramAtOnce)
{
    EXPECT_EXIT(
        {
            int calls = 0;
            TerminationRequests requests([&calls] { ++calls; });
            std::raise(SIGTERM);
            runUntil([&] { return calls == 1; });
            if (calls != 1)
                std::exit(1);
            std::raise(SIGTERM);  // the program did not end on the first: the second ends it
            std::exit(2);
        },
        ::testing::KilledBySignal(SIGTERM), "");
}

}  // namespace
#endif
