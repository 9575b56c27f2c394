// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Logs what a sound output device reports, in the order it arrives.

#include "platform/AudioOutput.h"

#include <functional>
#include <string>
#include <vector>

struct OutputLog : AudioOutputListener {
    std::vector<std::string> events;  // "open", "done <index>", "failed", "close"
    std::function<void(OutputBuffer&)> whenDone;
    int opens = 0;
    int dones = 0;
    int closes = 0;
    int failures = 0;

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
    void onOutputFailed() override
    {
        ++failures;
        events.push_back("failed");
    }
};
