// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Sound input through PortAudio from the system's default recording device
// ("device 0"), or from the sound-server device selectDevice() names, 16-bit
// mono. The library is initialised in open() and terminated in
// close(): PortAudio looks for devices only at its initialisation, which thus
// happens when the operator presses "Start".
//
// Threads: every call is made on the window thread. PortAudio's audio thread runs
// streamCallback(), which only copies recorded samples into the queued buffers and
// posts one notification per filled buffer to the window thread; it never calls the
// listener. Audio that finds no queued buffer, or arrives while stopped, is dropped.
// The queue between the two threads is guarded by a mutex held only for a copy;
// notifications are posted while it is held, so they arrive in the order of events.
// After close() (and after the device is destroyed) no further notification is
// delivered, also none that was still pending, so the caller may free its buffers.
// When the stream ends by itself (the sound server gone), PortAudio's finished
// callback posts onCaptureFailed(kStreamEnded) behind the buffers already posted.

#include "platform/AudioInput.h"

#include <deque>
#include <memory>
#include <mutex>
#include <string>

class QObject;
struct PaStreamCallbackTimeInfo;

class PortAudioInputDevice final : public AudioInputDevice {
public:
    // Codes of this backend; PortAudio's own error codes (negative) pass through.
    enum ErrorCode {
        kNoDevice = 1,        // no default recording device
        kFormatRefused = 2,   // it cannot record 16-bit mono at the rate asked for
        kNotOpen = 3,
        kAlreadyOpen = 4,
        kInvalidBuffer = 5,   // no storage, or room for less than one sample
        kNotPrepared = 6,
        kStillQueued = 7,     // the device holds the buffer
        kInvalidRate = 8,
        kStreamEnded = 9,     // recording stopped by itself: the sound system failed under it
    };

    PortAudioInputDevice();
    ~PortAudioInputDevice() override;
    PortAudioInputDevice(const PortAudioInputDevice&) = delete;
    PortAudioInputDevice& operator=(const PortAudioInputDevice&) = delete;

    int open(int sampleRate, AudioInputListener& listener) override;
    int prepare(CaptureBuffer& buffer) override;
    int addBuffer(CaptureBuffer& buffer) override;
    int start() override;
    int stop() override;
    int reset() override;
    int unprepare(CaptureBuffer& buffer) override;
    int close() override;
    std::string errorText(int code) const override;
    void selectDevice(const std::string& serverName) override;

    bool isOpen() const { return stream_ != nullptr; }
    // The name PortAudio gives the device in use, empty when closed.
    const std::string& deviceName() const { return deviceName_; }
    // The input latency the stream reports, in seconds; 0 when closed.
    double latencySeconds() const { return latencySeconds_; }

private:
    // PortAudio's audio thread.
    static int streamCallback(const void* input, void* output, unsigned long frameCount,
                              const PaStreamCallbackTimeInfo* timeInfo, unsigned long statusFlags,
                              void* userData);
    static void streamFinished(void* userData);                     // audio thread, or inside Pa_StopStream
    void record(const std::int16_t* in, unsigned long frameCount);  // audio thread, takes mutex_
    void postReturned(CaptureBuffer* buffer);                       // mutex_ held
    int fail(int paError);                                          // keeps the host's text
    void shutDownStream();

    std::unique_ptr<QObject> context_;  // notifications are posted to it
    void* stream_ = nullptr;            // PaStream*
    bool streamRunning_ = false;
    std::string hostErrorText_;         // text of the last PortAudio failure
    std::string deviceName_;
    double latencySeconds_ = 0.0;
    std::string serverName_;  // the device open() records from; empty: the default

    std::mutex mutex_;
    AudioInputListener* listener_ = nullptr;  // guarded; set in open()
    std::deque<CaptureBuffer*> queue_;        // guarded; buffers waiting or being filled
    bool recording_ = false;                  // guarded; between start() and stop()/reset()
    unsigned session_ = 0;                    // guarded; counts close() calls, written on the window thread
    bool closing_ = false;                    // guarded; the program itself is stopping the stream
};
