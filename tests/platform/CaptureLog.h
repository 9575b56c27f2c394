// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Logs the buffers a sound input device hands back, in the order they arrive.

#include "platform/AudioInput.h"

#include <functional>
#include <vector>

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
