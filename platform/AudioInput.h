// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Sound input as the receiver uses it: buffers queued at the device, filled with
// 16-bit mono samples in order and handed back one by one.
//
// Threads: every call is made on the window thread; onCaptureBufferDone() is
// delivered on the window thread, queued through its event loop, once per returned
// buffer, in queue order, carrying the count of bytes recorded into it.
// stop() pauses: the buffer being filled comes back at once with what it holds, the
// empty ones stay queued. reset() hands back every queued buffer.
// If recording ends on its own while the device is open (the sound server gone, the
// device unplugged), onCaptureFailed() follows the notifications of every buffer
// filled before it, with a code that errorText() describes; nothing more is
// recorded, and the device is to be closed. It never comes after close().
// Each call returns 0 on success or an error code that errorText() describes.

#include <cstdint>
#include <string>

struct CaptureBuffer {
    std::int16_t* data = nullptr;  // storage owned by the caller
    int lengthBytes = 0;
    int bytesRecorded = 0;         // set by the device when it hands the buffer back
    bool prepared = false;
    int index = 0;                 // the caller's number for this buffer
};

class AudioInputListener {
public:
    virtual ~AudioInputListener() = default;
    virtual void onCaptureBufferDone(CaptureBuffer& buffer) = 0;
    virtual void onCaptureFailed(int /*code*/) {}
};

class AudioInputDevice {
public:
    virtual ~AudioInputDevice() = default;
    // The system's default recording device, 16-bit mono at sampleRate.
    virtual int open(int sampleRate, AudioInputListener& listener) = 0;
    virtual int prepare(CaptureBuffer& buffer) = 0;
    virtual int addBuffer(CaptureBuffer& buffer) = 0;
    virtual int start() = 0;
    virtual int stop() = 0;
    virtual int reset() = 0;
    virtual int unprepare(CaptureBuffer& buffer) = 0;
    virtual int close() = 0;
    virtual std::string errorText(int code) const = 0;

    // The sound server's name of the device the next open() records from; empty:
    // the system's default. A device that is absent then fails open(), never another.
    virtual void selectDevice(const std::string& /*serverName*/) {}
};
