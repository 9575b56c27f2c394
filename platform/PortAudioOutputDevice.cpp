// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/PortAudioOutputDevice.h"

#include "platform/PortAudioErrorText.h"
#include "platform/PortAudioRoute.h"
#include "platform/QuietDeviceScan.h"

#include <QMetaObject>
#include <QObject>

#include <portaudio.h>

#include <algorithm>
#include <cstring>

namespace {
constexpr int kChannels = 1;
// Sound-system latency asked for at least, in seconds. Through ALSA's PulseAudio
// plugin PortAudio's "low" default (8.7 ms) leaves no room for a busy machine:
// with six busy loops and more on two cores, a minute at 31 baud ran dry 33 times
// with 35 ms and twice with 100 ms, while the audio thread and the sound server
// waited for their turn; 200 ms ran clean at both 31 and 500 baud
// (tests/sound/load-test.sh). It delays the sound by that much; the transmitter's
// buffer queue (half a second at least) is the program's own margin.
constexpr double kMinimumLatencySeconds = 0.200;
}

PortAudioOutputDevice::PortAudioOutputDevice() : context_(std::make_unique<QObject>()) {}

PortAudioOutputDevice::~PortAudioOutputDevice()
{
    // The listener may already be gone: stop the audio thread without notifying, and
    // let context_ take any pending notification with it.
    shutDownStream();
}

bool PortAudioOutputDevice::open(int sampleRate, AudioOutputListener& listener)
{
    lastErrorText_.clear();
    if (stream_ != nullptr) {
        lastErrorText_ = "The output device is already open";
        return false;
    }
    if (sampleRate <= 0) {
        lastErrorText_ = "Invalid sample rate";
        return false;
    }

    // PortAudio looks for devices only here, so initialise it for each transmission.
    PaError result = initialisePortAudioQuietly();
    if (result != paNoError) {
        lastErrorText_ = portAudioErrorText(result);  // a failed initialisation undoes itself
        return false;
    }

    PortAudioRoute route;
    const std::string routeError = routePortAudioStream(serverName_, false, kMinimumLatencySeconds, route);
    if (!routeError.empty()) {
        lastErrorText_ = routeError;
        Pa_Terminate();
        return false;
    }
    const PaStreamParameters& parameters = route.parameters;

    result = Pa_IsFormatSupported(nullptr, &parameters, sampleRate);
    if (result != paFormatIsSupported) {
        lastErrorText_ = portAudioErrorText(result);
        Pa_Terminate();
        return false;
    }

    {
        std::lock_guard lock(mutex_);
        listener_ = &listener;
        queue_.clear();
        headSamplesPlayed_ = 0;
        closing_ = false;
        fed_ = false;
    }

    PaStream* stream = nullptr;
    result = Pa_OpenStream(&stream, nullptr, &parameters, sampleRate, paFramesPerBufferUnspecified,
                           paClipOff | paDitherOff, &PortAudioOutputDevice::streamCallback, this);
    if (result == paNoError) {
        result = Pa_SetStreamFinishedCallback(stream, &PortAudioOutputDevice::streamFinished);
        if (result == paNoError)
            result = Pa_StartStream(stream);
        if (result != paNoError) {
            lastErrorText_ = portAudioErrorText(result);
            {
                std::lock_guard lock(mutex_);
                closing_ = true;  // a failed open notifies nothing
            }
            Pa_CloseStream(stream);
        }
    } else {
        lastErrorText_ = portAudioErrorText(result);
    }
    if (result != paNoError) {
        Pa_Terminate();
        return false;
    }

    stream_ = stream;
    deviceName_ = route.deviceName;
    const PaStreamInfo* streamInfo = Pa_GetStreamInfo(stream);
    latencySeconds_ = streamInfo != nullptr ? streamInfo->outputLatency : 0.0;

    // Posted, so it arrives after open() has returned and its caller has keyed PTT.
    std::lock_guard lock(mutex_);
    AudioOutputListener* target = listener_;
    QMetaObject::invokeMethod(context_.get(), [target] { target->onOutputOpen(); }, Qt::QueuedConnection);
    return true;
}

void PortAudioOutputDevice::prepare(OutputBuffer& buffer)
{
    buffer.prepared = true;
}

void PortAudioOutputDevice::write(OutputBuffer& buffer)
{
    // A buffer that is not prepared, or that the device holds already, is refused
    // and never comes back, as the platform's queueing call would fail.
    if (stream_ == nullptr || !buffer.prepared || (buffer.samples == nullptr && buffer.lengthBytes > 0))
        return;
    std::lock_guard lock(mutex_);
    if (std::find(queue_.begin(), queue_.end(), &buffer) != queue_.end())
        return;
    queue_.push_back(&buffer);
    fed_ = true;
}

void PortAudioOutputDevice::selectDevice(const std::string& serverName)
{
    serverName_ = serverName;
}

int PortAudioOutputDevice::underrunCount() const
{
    return underruns_.load(std::memory_order_relaxed);
}

void PortAudioOutputDevice::reset()
{
    if (stream_ == nullptr)
        return;
    std::lock_guard lock(mutex_);
    // From the next callback on the stream plays silence; the samples already handed
    // to the sound system (the stream's latency) still sound.
    while (!queue_.empty()) {
        OutputBuffer* buffer = queue_.front();
        queue_.pop_front();
        postDone(buffer);
    }
    headSamplesPlayed_ = 0;
    fed_ = false;  // the silence that follows is asked for
}

void PortAudioOutputDevice::finish(OutputBuffer& tail, OutputTailFiller& filler)
{
    if (stream_ == nullptr || !tail.prepared)
        return;
    std::lock_guard lock(mutex_);
    if (std::find(queue_.begin(), queue_.end(), &tail) != queue_.end())
        return;  // finishing already
    // The audio thread waits while the tail is filled: it must follow the buffer
    // in play without a single sample of silence between them.
    OutputBuffer* playing = queue_.empty() ? nullptr : queue_.front();
    while (queue_.size() > 1) {
        OutputBuffer* buffer = queue_[1];
        queue_.erase(queue_.begin() + 1);
        postDone(buffer);
    }
    filler.fillTail(playing, tail);
    queue_.push_back(&tail);
}

void PortAudioOutputDevice::unprepare(OutputBuffer& buffer)
{
    std::lock_guard lock(mutex_);
    if (std::find(queue_.begin(), queue_.end(), &buffer) != queue_.end())
        return;  // still playing: the platform refuses this too
    buffer.prepared = false;
}

void PortAudioOutputDevice::close()
{
    if (stream_ == nullptr)
        return;
    AudioOutputListener* target = nullptr;
    {
        std::lock_guard lock(mutex_);
        target = listener_;
    }
    shutDownStream();
    QMetaObject::invokeMethod(context_.get(), [target] { target->onOutputClose(); }, Qt::QueuedConnection);
}

void PortAudioOutputDevice::shutDownStream()
{
    if (stream_ == nullptr)
        return;
    {
        std::lock_guard lock(mutex_);
        closing_ = true;
    }
    // Pa_StopStream lets the audio thread leave its callback on its own; aborting
    // would cancel that thread, possibly while it holds a lock.
    Pa_StopStream(stream_);
    Pa_CloseStream(stream_);
    stream_ = nullptr;
    Pa_Terminate();
    deviceName_.clear();
    latencySeconds_ = 0.0;
    std::lock_guard lock(mutex_);
    queue_.clear();  // buffers still queued at a close are not handed back
    headSamplesPlayed_ = 0;
}

void PortAudioOutputDevice::postDone(OutputBuffer* buffer)
{
    AudioOutputListener* target = listener_;
    QMetaObject::invokeMethod(
        context_.get(), [target, buffer] { target->onOutputBufferDone(*buffer); }, Qt::QueuedConnection);
}

void PortAudioOutputDevice::streamFinished(void* userData)
{
    auto* device = static_cast<PortAudioOutputDevice*>(userData);
    std::lock_guard lock(device->mutex_);
    if (device->closing_)
        return;
    // The stream ended by itself: the sound system failed under it.
    AudioOutputListener* target = device->listener_;
    QMetaObject::invokeMethod(device->context_.get(), [target] { target->onOutputFailed(); }, Qt::QueuedConnection);
}

int PortAudioOutputDevice::streamCallback(const void*, void* output, unsigned long frameCount,
                                          const PaStreamCallbackTimeInfo*, unsigned long statusFlags, void* userData)
{
    auto* device = static_cast<PortAudioOutputDevice*>(userData);
    // The sound system played silence of its own since the last call: it found
    // nothing queued in time.
    if ((statusFlags & paOutputUnderflow) != 0)
        device->underruns_.fetch_add(1, std::memory_order_relaxed);
    device->play(static_cast<std::int16_t*>(output), frameCount);
    return paContinue;
}

void PortAudioOutputDevice::play(std::int16_t* out, unsigned long frameCount)
{
    unsigned long written = 0;
    {
        std::lock_guard lock(mutex_);
        while (written < frameCount && !queue_.empty()) {
            OutputBuffer* head = queue_.front();
            const int total = std::max(head->lengthBytes, 0) / 2;
            const unsigned long count =
                std::min<unsigned long>(static_cast<unsigned long>(total - headSamplesPlayed_), frameCount - written);
            if (count > 0) {
                std::memcpy(out + written, head->samples + headSamplesPlayed_, count * sizeof(std::int16_t));
                written += count;
                headSamplesPlayed_ += static_cast<int>(count);
            }
            if (headSamplesPlayed_ >= total) {
                queue_.pop_front();
                headSamplesPlayed_ = 0;
                postDone(head);
            }
        }
        // The transmission's own queue ran out before it was refilled: silence goes
        // out in the middle of the signal. Counted once per dry spell.
        if (written < frameCount && fed_) {
            fed_ = false;
            underruns_.fetch_add(1, std::memory_order_relaxed);
        }
    }
    std::fill(out + written, out + frameCount, std::int16_t{0});
}
