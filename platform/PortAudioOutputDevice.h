// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Sound output through PortAudio on the system's default playback device, or on
// the sound-server device selectDevice() names, 16-bit mono. The library is initialised in open() and terminated in close(), so a device
// plugged in while the program runs is found at the next "Turn On".
//
// Threads: every call is made on the window thread. PortAudio's own audio thread
// runs streamCallback(), which only copies queued samples into the stream (silence
// when nothing is queued) and posts a notification to the window thread for each
// buffer it has finished; it never calls the listener. The queue between the two
// threads is guarded by a mutex held only for a copy; notifications are posted
// while it is held, so they arrive in the order the events happened.
// Notifications still pending when the device is destroyed are dropped.

#include "platform/AudioOutput.h"

#include <atomic>
#include <deque>
#include <memory>
#include <mutex>
#include <string>

class QObject;
struct PaStreamCallbackTimeInfo;

class PortAudioOutputDevice final : public AudioOutputDevice {
public:
    PortAudioOutputDevice();
    ~PortAudioOutputDevice() override;
    PortAudioOutputDevice(const PortAudioOutputDevice&) = delete;
    PortAudioOutputDevice& operator=(const PortAudioOutputDevice&) = delete;

    bool open(int sampleRate, AudioOutputListener& listener) override;
    void prepare(OutputBuffer& buffer) override;
    void write(OutputBuffer& buffer) override;
    void reset() override;
    void unprepare(OutputBuffer& buffer) override;
    void close() override;
    void selectDevice(const std::string& serverName) override;
    // Both the sound system's own underflows and a queue that ran out mid-signal.
    int underrunCount() const override;
    void finish(OutputBuffer& tail, OutputTailFiller& filler) override;

    bool isOpen() const { return stream_ != nullptr; }
    // Why the last open() failed, for diagnostics; empty after a success.
    const std::string& lastErrorText() const { return lastErrorText_; }
    // The name PortAudio gives the device in use, empty when closed.
    const std::string& deviceName() const { return deviceName_; }
    // The output latency the stream reports, in seconds; 0 when closed.
    double latencySeconds() const override { return latencySeconds_; }

private:
    // PortAudio's audio thread.
    static int streamCallback(const void* input, void* output, unsigned long frameCount,
                              const PaStreamCallbackTimeInfo* timeInfo, unsigned long statusFlags,
                              void* userData);
    static void streamFinished(void* userData);               // audio thread, or in Pa_StopStream
    void play(std::int16_t* out, unsigned long frameCount);  // audio thread, takes mutex_
    void postDone(OutputBuffer* buffer);                       // mutex_ held
    void shutDownStream();                                     // window thread

    std::unique_ptr<QObject> context_;  // notifications are posted to it
    void* stream_ = nullptr;            // PaStream*
    std::string lastErrorText_;
    std::string deviceName_;
    double latencySeconds_ = 0.0;
    std::string serverName_;              // the device open() plays on; empty: the default
    std::atomic<int> underruns_{0};        // written by the audio thread

    std::mutex mutex_;
    AudioOutputListener* listener_ = nullptr;  // guarded; set in open()
    std::deque<OutputBuffer*> queue_;          // guarded; buffers waiting or playing
    int headSamplesPlayed_ = 0;                // guarded; progress in queue_.front()
    bool closing_ = false;                     // guarded; the stream ends because close() ends it
    bool fed_ = false;                         // guarded; buffers were written and not all reset since
};
