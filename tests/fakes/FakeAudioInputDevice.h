// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A recording device the test clocks itself. Buffers the program queues wait in
// order; fill() hands the oldest one back with chosen samples and byte count,
// stop() hands back the one being filled (with pauseBytes of pauseSamples),
// reset() hands back all of them. Returned buffers are delivered only when the
// test calls deliver(), as the event loop would deliver them later. Any call can
// be made to fail, and every call is recorded in order.

#include "platform/AudioInput.h"

#include <algorithm>
#include <cstring>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

class FakeAudioInputDevice : public AudioInputDevice {
public:
    static constexpr int kNotOpen = 11;

    // "open", "prepare:3", "addBuffer:3", "start", "stop", "reset", "unprepare:3", "close".
    std::vector<std::string> calls;
    // Runs at every call, after it is recorded (for checks at the moment of a call).
    std::function<void(const std::string&)> onCall;

    int openedRate = 0;
    std::string selected;  // the last selectDevice(); not a call of the log
    bool isOpen = false;
    bool recording = false;
    std::deque<CaptureBuffer*> queued;
    std::deque<CaptureBuffer*> returned;

    // What stop() leaves in the buffer it hands back.
    std::vector<std::int16_t> pauseSamples;
    int pauseBytes = 0;

    std::string errorTextFor = "fake device error";

    void selectDevice(const std::string& serverName) override { selected = serverName; }

    // Makes the n-th call (1 = next) of `name` fail with `code`.
    void failCall(const std::string& name, int code, int nth = 1)
    {
        failures_[name] = {nth + counts_[name], code};
    }

    // Hands back the oldest queued buffer with these samples and this byte count.
    // False when nothing is queued or the device is not recording.
    bool fill(const std::vector<std::int16_t>& samples, int bytesRecorded)
    {
        if (queued.empty() || !recording)
            return false;
        CaptureBuffer* b = queued.front();
        queued.pop_front();
        const auto count = std::min<std::size_t>(samples.size(), static_cast<std::size_t>(b->lengthBytes / 2));
        if (count > 0)
            std::memcpy(b->data, samples.data(), count * sizeof(std::int16_t));
        b->bytesRecorded = bytesRecorded;
        returned.push_back(b);
        return true;
    }

    // Delivers every returned buffer, in order, as the window thread would.
    int deliver()
    {
        int n = 0;
        while (!returned.empty() && listener_ != nullptr) {
            CaptureBuffer* b = returned.front();
            returned.pop_front();
            listener_->onCaptureBufferDone(*b);
            ++n;
        }
        return n;
    }

    // Fills and delivers; the samples go out in buffers of 256 while any are queued.
    int play(const std::vector<std::int16_t>& samples)
    {
        int buffers = 0;
        for (std::size_t at = 0; at < samples.size(); ++buffers) {
            const std::size_t n = std::min<std::size_t>(256, samples.size() - at);
            std::vector<std::int16_t> chunk(samples.begin() + static_cast<std::ptrdiff_t>(at),
                                            samples.begin() + static_cast<std::ptrdiff_t>(at + n));
            if (!fill(chunk, static_cast<int>(n * 2)))
                break;
            deliver();
            at += n;
        }
        return buffers;
    }

    // Recording ends by itself, as when the sound server goes: what was returned
    // before is delivered, then the failure with `code`.
    void failStream(int code)
    {
        recording = false;
        deliver();
        if (listener_ != nullptr)
            listener_->onCaptureFailed(code);
    }

    int open(int sampleRate, AudioInputListener& listener) override
    {
        if (const int code = record("open"))
            return code;
        openedRate = sampleRate;
        listener_ = &listener;
        isOpen = true;
        return 0;
    }
    int prepare(CaptureBuffer& buffer) override
    {
        if (const int code = record("prepare:" + std::to_string(buffer.index)))
            return code;
        if (!isOpen)
            return kNotOpen;
        buffer.prepared = true;
        return 0;
    }
    int addBuffer(CaptureBuffer& buffer) override
    {
        if (const int code = record("addBuffer:" + std::to_string(buffer.index)))
            return code;
        if (!isOpen || !buffer.prepared)
            return kNotOpen;
        buffer.bytesRecorded = 0;
        queued.push_back(&buffer);
        return 0;
    }
    int start() override
    {
        if (const int code = record("start"))
            return code;
        if (!isOpen)
            return kNotOpen;
        recording = true;
        return 0;
    }
    int stop() override
    {
        if (const int code = record("stop"))
            return code;
        if (!isOpen)
            return kNotOpen;
        if (recording && !queued.empty()) {
            CaptureBuffer* b = queued.front();
            queued.pop_front();
            const auto count = std::min<std::size_t>(pauseSamples.size(), static_cast<std::size_t>(b->lengthBytes / 2));
            if (count > 0)
                std::memcpy(b->data, pauseSamples.data(), count * sizeof(std::int16_t));
            b->bytesRecorded = pauseBytes;
            returned.push_back(b);
        }
        recording = false;
        return 0;
    }
    int reset() override
    {
        if (const int code = record("reset"))
            return code;
        if (!isOpen)
            return kNotOpen;
        recording = false;
        for (CaptureBuffer* b : queued) {
            b->bytesRecorded = 0;
            returned.push_back(b);
        }
        queued.clear();
        return 0;
    }
    int unprepare(CaptureBuffer& buffer) override
    {
        if (const int code = record("unprepare:" + std::to_string(buffer.index)))
            return code;
        buffer.prepared = false;
        return 0;
    }
    int close() override
    {
        if (const int code = record("close"))
            return code;
        isOpen = false;
        recording = false;
        return 0;
    }
    std::string errorText(int code) const override
    {
        return errorTextFor + " " + std::to_string(code);
    }

    int count(const std::string& name) const
    {
        return static_cast<int>(std::count(calls.begin(), calls.end(), name));
    }

private:
    struct Failure {
        int atCount;
        int code;
    };

    int record(const std::string& call)
    {
        calls.push_back(call);
        const std::string name = call.substr(0, call.find(':'));
        const int n = ++counts_[name];
        if (onCall)
            onCall(call);
        auto it = failures_.find(name);
        if (it != failures_.end() && it->second.atCount == n) {
            const int code = it->second.code;
            failures_.erase(it);
            return code;
        }
        return 0;
    }

    AudioInputListener* listener_ = nullptr;
    std::map<std::string, int> counts_;
    std::map<std::string, Failure> failures_;
};
