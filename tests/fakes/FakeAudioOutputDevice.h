// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// An output device the test clocks. Every call is recorded in order (and, when a
// shared log is given, appended to it, so the order against other fakes shows).
// Nothing is delivered from inside a call: the test delivers the open notification,
// plays queued buffers, hands returned ones back and delivers the close.
// Misuse a real device would punish (queueing an unprepared buffer, queueing one
// twice, closing with buffers still queued, any call after close) is recorded
// in `faults`.

#include "platform/AudioOutput.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

struct FakeAudioOutputDevice : AudioOutputDevice {
    explicit FakeAudioOutputDevice(std::vector<std::string>* sharedLog = nullptr) : sharedLog(sharedLog) {}

    // Set before a start to make open() fail.
    bool failOpen = false;
    // What the device reports: times it ran dry, and its own latency (while open).
    int underruns = 0;
    double latency = 0.0;
    std::string selected;  // the last selectDevice()

    std::vector<std::string>* sharedLog;
    std::vector<std::string> calls;   // "open 32000", "prepare 3", "write 3", "reset", "finish", "unprepare 3", "close"
    std::vector<std::string> faults;
    // What each write() queued, copied at the time: the samples the device plays.
    std::vector<std::vector<std::int16_t>> written;
    int opens = 0;
    int closes = 0;
    int resets = 0;
    int finishes = 0;
    OutputBuffer* lastTail = nullptr;  // the tail of the last finish()

    AudioOutputListener* listener = nullptr;
    bool isOpen = false;
    bool openPending = false;
    bool closePending = false;
    std::deque<OutputBuffer*> queued;    // at the device, in play order
    std::deque<OutputBuffer*> returned;  // handed back, notification not yet delivered

    int underrunCount() const override { return underruns; }
    double latencySeconds() const override { return isOpen ? latency : 0.0; }
    void selectDevice(const std::string& serverName) override { selected = serverName; }

    bool open(int sampleRate, AudioOutputListener& l) override
    {
        record("open " + std::to_string(sampleRate));
        if (isOpen)
            faults.push_back("open while open");
        if (failOpen)
            return false;
        ++opens;
        listener = &l;
        isOpen = true;
        openPending = true;
        return true;
    }
    void prepare(OutputBuffer& b) override
    {
        record("prepare " + std::to_string(b.index));
        checkOpen("prepare");
        b.prepared = true;
    }
    void write(OutputBuffer& b) override
    {
        record("write " + std::to_string(b.index));
        checkOpen("write");
        if (!b.prepared)
            faults.push_back("write of unprepared buffer " + std::to_string(b.index));
        for (const OutputBuffer* q : queued)
            if (q == &b)
                faults.push_back("buffer " + std::to_string(b.index) + " queued twice");
        if (b.lengthBytes < 0 || b.lengthBytes % 2 != 0)
            faults.push_back("odd length");
        written.emplace_back(b.samples, b.samples + b.lengthBytes / 2);
        queued.push_back(&b);
    }
    void reset() override
    {
        record("reset");
        checkOpen("reset");
        ++resets;
        while (!queued.empty()) {
            returned.push_back(queued.front());
            queued.pop_front();
        }
    }
    // Keeps the buffer in play (the first queued), hands back the rest and queues
    // the tail behind it.
    void finish(OutputBuffer& tail, OutputTailFiller& filler) override
    {
        record("finish");
        checkOpen("finish");
        ++finishes;
        OutputBuffer* playing = queued.empty() ? nullptr : queued.front();
        while (queued.size() > 1) {
            returned.push_back(queued[1]);
            queued.erase(queued.begin() + 1);
        }
        filler.fillTail(playing, tail);
        lastTail = &tail;
        write(tail);
    }
    void unprepare(OutputBuffer& b) override
    {
        record("unprepare " + std::to_string(b.index));
        checkOpen("unprepare");
        for (const OutputBuffer* q : queued)
            if (q == &b)
                faults.push_back("unprepare of queued buffer " + std::to_string(b.index));
        b.prepared = false;
    }
    void close() override
    {
        record("close");
        checkOpen("close");
        ++closes;
        if (!queued.empty())
            faults.push_back("close with " + std::to_string(queued.size()) + " buffers still queued");
        isOpen = false;
        closePending = true;
        while (!queued.empty()) {
            returned.push_back(queued.front());
            queued.pop_front();
        }
    }

    // --- the test's clock ---
    void deliverOpen()
    {
        if (openPending) {
            openPending = false;
            listener->onOutputOpen();
        }
    }
    // The device finishes playing n queued buffers (fewer if fewer are queued).
    void play(std::size_t n)
    {
        for (; n > 0 && !queued.empty(); --n) {
            returned.push_back(queued.front());
            queued.pop_front();
        }
    }
    // Delivers the done notifications of up to n handed-back buffers, oldest first.
    void deliverDone(std::size_t n = SIZE_MAX)
    {
        for (; n > 0 && !returned.empty(); --n) {
            OutputBuffer* b = returned.front();
            returned.pop_front();
            listener->onOutputBufferDone(*b);
        }
    }
    // Plays n buffers one after the other, each handed back and refilled in turn.
    void playAndReturn(std::size_t n)
    {
        for (; n > 0; --n) {
            play(1);
            deliverDone(1);
        }
    }
    // The sound system drops the stream: nothing plays any more.
    void deliverFailure()
    {
        listener->onOutputFailed();
    }
    void deliverClose()
    {
        deliverDone();
        if (closePending) {
            closePending = false;
            listener->onOutputClose();
        }
    }
    // Every notification still owed, in the order a device would send them; a
    // transmission that is finishing plays out its last bit and its tail first.
    void deliverAll()
    {
        deliverOpen();
        deliverDone();
        if (isOpen && std::find(queued.begin(), queued.end(), lastTail) != queued.end()) {
            play(queued.size());
            deliverDone();
        }
        deliverClose();
    }

    std::size_t count(const std::string& call) const
    {
        std::size_t n = 0;
        for (const std::string& c : calls)
            n += c == call;
        return n;
    }

private:
    void record(const std::string& call)
    {
        calls.push_back(call);
        if (sharedLog)
            sharedLog->push_back("audio " + call);
    }
    void checkOpen(const char* what)
    {
        if (!isOpen)
            faults.push_back(std::string(what) + " while closed");
    }
};
