// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Sound output as the transmitter uses it: buffers of 16-bit mono samples queued in
// order, with the device's progress reported as notifications.
//
// Threads: every call is made on the window thread, and every notification is
// delivered on the window thread, queued through its event loop, never from
// inside a call. Order of events: open() returns, then onOutputOpen(); one
// onOutputBufferDone() per buffer the device hands back, in queue order (reset()
// hands back every queued buffer); after close(), onOutputClose(). If the device
// fails while open, onOutputFailed().

#include <cstdint>
#include <string>

struct OutputBuffer {
    std::int16_t* samples = nullptr;  // storage owned by the caller
    int lengthBytes = 0;              // bytes to play (2 per sample)
    int index = 0;                    // the caller's number for this buffer
    bool prepared = false;
};

class AudioOutputListener {
public:
    virtual ~AudioOutputListener() = default;
    virtual void onOutputOpen() = 0;
    virtual void onOutputBufferDone(OutputBuffer& buffer) = 0;
    virtual void onOutputClose() = 0;
    // The device stopped playing on its own (sound server gone, device unplugged):
    // nothing more comes back until reset() hands back the queue. It arrives after
    // the notifications of everything before it, never after close(). A listener
    // that ignores it keeps waiting, with PTT keyed.
    virtual void onOutputFailed() {}
};

// Fills the buffer that ends a transmission's sound, once the device knows which
// buffer it is in the middle of playing. Called from inside
// AudioOutputDevice::finish(), on the caller's thread.
class OutputTailFiller {
public:
    virtual ~OutputTailFiller() = default;
    // `playing` is the buffer that plays to its end before the tail, or nullptr when
    // nothing is queued any more.
    virtual void fillTail(const OutputBuffer* playing, OutputBuffer& tail) = 0;
};

class AudioOutputDevice {
public:
    virtual ~AudioOutputDevice() = default;
    // Opens the default output device for 16-bit mono at sampleRate. false: no
    // device, or it refuses the format; then no notification follows.
    virtual bool open(int sampleRate, AudioOutputListener& listener) = 0;
    virtual void prepare(OutputBuffer& buffer) = 0;
    virtual void write(OutputBuffer& buffer) = 0;      // queue behind the others
    virtual void reset() = 0;                          // stop; hand back every queued buffer
    virtual void unprepare(OutputBuffer& buffer) = 0;
    virtual void close() = 0;

    // The sound server's name of the device the next open() plays on; empty: the
    // system's default. A device that is absent then fails open(), never another.
    virtual void selectDevice(const std::string& /*serverName*/) {}
    // Times the sound ran dry since the device was created: the sound system found
    // nothing to play in the middle of a transmission. Window thread.
    virtual int underrunCount() const { return 0; }
    // Seconds of sound the system holds between a buffer handed back and its
    // playing; 0 when closed.
    virtual double latencySeconds() const { return 0.0; }
    // Ends the sound without a cut: every queued buffer except the one playing is
    // handed back at once (as by reset()), the playing one plays to its end, and
    // `tail`, filled by `filler` for that buffer, is queued behind it, all in one
    // step so that no silence comes between the two. Notifications: the handed-back
    // buffers first, then the playing one and the tail as they finish. A device that
    // cannot keep its playing buffer resets and queues the tail after the silence.
    virtual void finish(OutputBuffer& tail, OutputTailFiller& filler)
    {
        reset();
        filler.fillTail(nullptr, tail);
        write(tail);
    }
};
