#pragma once
// Helpers for the tests that run against a real sound server: an event loop that
// turns until a condition holds, and listeners that log what the devices report.

#include "AudioInput.h"
#include "AudioOutput.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <functional>
#include <string>
#include <vector>

// Runs the window thread's event loop until done() or the timeout; false on timeout.
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

struct OutputLog : AudioOutputListener {
    std::vector<std::string> events;  // "open", "done <index>", "close"
    std::function<void(OutputBuffer&)> whenDone;
    int opens = 0;
    int dones = 0;
    int closes = 0;

    void onOutputOpen() override
    {
        ++opens;
        events.push_back("open");
    }
    void onOutputBufferDone(OutputBuffer& buffer) override
    {
        ++dones;
        events.push_back("done " + std::to_string(buffer.index));
        if (whenDone)
            whenDone(buffer);
    }
    void onOutputClose() override
    {
        ++closes;
        events.push_back("close");
    }
};

struct CaptureLog : AudioInputListener {
    struct Returned {
        int index;
        int bytesRecorded;
    };
    std::vector<Returned> returned;
    std::function<void(CaptureBuffer&)> whenReturned;

    void onCaptureBufferDone(CaptureBuffer& buffer) override
    {
        returned.push_back({buffer.index, buffer.bytesRecorded});
        if (whenReturned)
            whenReturned(buffer);
    }
};
