// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/PortAudioInputDevice.h"

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
// Sound-system latency asked for at least, in seconds: as for playback, PortAudio's
// "low" default through ALSA (8.7 ms) leaves a busy machine no room, and the few
// milliseconds more only delay the text; the eight queued buffers are the margin.
constexpr double kMinimumLatencySeconds = 0.035;
constexpr int kBytesPerSample = 2;
}

PortAudioInputDevice::PortAudioInputDevice() : context_(std::make_unique<QObject>()) {}

PortAudioInputDevice::~PortAudioInputDevice()
{
    shutDownStream();
}

int PortAudioInputDevice::fail(int paError)
{
    hostErrorText_ = portAudioErrorText(paError);
    return paError;
}

int PortAudioInputDevice::open(int sampleRate, AudioInputListener& listener)
{
    if (stream_ != nullptr)
        return kAlreadyOpen;
    if (sampleRate <= 0)
        return kInvalidRate;

    PaError result = initialisePortAudioQuietly();
    if (result != paNoError)
        return fail(result);  // a failed initialisation undoes itself

    PortAudioRoute route;
    if (!routePortAudioStream(serverName_, true, kMinimumLatencySeconds, route).empty()) {
        Pa_Terminate();
        return kNoDevice;
    }
    const PaStreamParameters& parameters = route.parameters;

    if (Pa_IsFormatSupported(&parameters, nullptr, sampleRate) != paFormatIsSupported) {
        Pa_Terminate();
        return kFormatRefused;
    }

    {
        std::lock_guard lock(mutex_);
        listener_ = &listener;
        queue_.clear();
        recording_ = false;
        closing_ = false;
    }

    PaStream* stream = nullptr;
    result = Pa_OpenStream(&stream, &parameters, nullptr, sampleRate, paFramesPerBufferUnspecified, paClipOff,
                           &PortAudioInputDevice::streamCallback, this);
    if (result == paNoError)
        result = Pa_SetStreamFinishedCallback(stream, &PortAudioInputDevice::streamFinished);
    if (result != paNoError) {
        const int code = fail(result);
        if (stream != nullptr) {
            {
                std::lock_guard lock(mutex_);
                closing_ = true;
            }
            Pa_CloseStream(stream);
        }
        Pa_Terminate();
        return code;
    }
    stream_ = stream;
    streamRunning_ = false;
    deviceName_ = route.deviceName;
    const PaStreamInfo* streamInfo = Pa_GetStreamInfo(stream);
    latencySeconds_ = streamInfo != nullptr ? streamInfo->inputLatency : 0.0;
    return 0;
}

void PortAudioInputDevice::selectDevice(const std::string& serverName)
{
    serverName_ = serverName;
}

int PortAudioInputDevice::prepare(CaptureBuffer& buffer)
{
    if (buffer.data == nullptr || buffer.lengthBytes < kBytesPerSample)
        return kInvalidBuffer;
    buffer.prepared = true;
    return 0;
}

int PortAudioInputDevice::addBuffer(CaptureBuffer& buffer)
{
    if (stream_ == nullptr)
        return kNotOpen;
    if (!buffer.prepared)
        return kNotPrepared;
    if (buffer.data == nullptr || buffer.lengthBytes < kBytesPerSample)
        return kInvalidBuffer;
    std::lock_guard lock(mutex_);
    if (std::find(queue_.begin(), queue_.end(), &buffer) != queue_.end())
        return kStillQueued;
    buffer.bytesRecorded = 0;
    queue_.push_back(&buffer);
    return 0;
}

int PortAudioInputDevice::start()
{
    if (stream_ == nullptr)
        return kNotOpen;
    // The stream runs from the first start() to close(); stop() and reset() only
    // make the callback drop what it records.
    if (!streamRunning_) {
        const PaError result = Pa_StartStream(stream_);
        if (result != paNoError)
            return fail(result);
        streamRunning_ = true;
    }
    std::lock_guard lock(mutex_);
    recording_ = true;
    return 0;
}

int PortAudioInputDevice::stop()
{
    if (stream_ == nullptr)
        return kNotOpen;
    std::lock_guard lock(mutex_);
    if (!recording_)
        return 0;
    recording_ = false;
    // The buffer being filled comes back with what it holds, perhaps nothing; the
    // empty ones behind it wait for the next start().
    if (!queue_.empty()) {
        CaptureBuffer* head = queue_.front();
        queue_.pop_front();
        postReturned(head);
    }
    return 0;
}

int PortAudioInputDevice::reset()
{
    if (stream_ == nullptr)
        return kNotOpen;
    std::lock_guard lock(mutex_);
    recording_ = false;
    while (!queue_.empty()) {
        CaptureBuffer* buffer = queue_.front();
        queue_.pop_front();
        postReturned(buffer);
    }
    return 0;
}

int PortAudioInputDevice::unprepare(CaptureBuffer& buffer)
{
    std::lock_guard lock(mutex_);
    if (std::find(queue_.begin(), queue_.end(), &buffer) != queue_.end())
        return kStillQueued;
    buffer.prepared = false;
    return 0;
}

int PortAudioInputDevice::close()
{
    if (stream_ == nullptr)
        return kNotOpen;
    shutDownStream();
    // Returned buffers whose notifications are still on their way are not delivered:
    // the caller may free them as soon as close() returns.
    std::lock_guard lock(mutex_);
    ++session_;
    return 0;
}

void PortAudioInputDevice::shutDownStream()
{
    if (stream_ == nullptr)
        return;
    {
        std::lock_guard lock(mutex_);
        closing_ = true;  // the finished callback that stopping brings is no failure
    }
    if (streamRunning_)
        Pa_StopStream(stream_);  // waits for the callback to return; aborting would cancel its thread
    Pa_CloseStream(stream_);
    stream_ = nullptr;
    streamRunning_ = false;
    Pa_Terminate();
    deviceName_.clear();
    latencySeconds_ = 0.0;
    std::lock_guard lock(mutex_);
    queue_.clear();
    recording_ = false;
}

std::string PortAudioInputDevice::errorText(int code) const
{
    switch (code) {
    case 0:
        return "No error";
    case kNoDevice:
        return "No default recording device";
    case kFormatRefused:
        return "The default recording device cannot record 16-bit mono at this sample rate";
    case kNotOpen:
        return "The recording device is not open";
    case kAlreadyOpen:
        return "The recording device is already open";
    case kInvalidBuffer:
        return "The recording buffer has no room";
    case kNotPrepared:
        return "The recording buffer is not prepared";
    case kStillQueued:
        return "The recording buffer is still in the device's queue";
    case kInvalidRate:
        return "Invalid sample rate";
    case kStreamEnded:
        // PortAudio's finished callback carries no reason, and its last host error
        // may be an old one from the device scan.
        return "Recording stopped: the sound device or the sound server went away";
    default:
        break;
    }
    if (code == paUnanticipatedHostError && !hostErrorText_.empty())
        return hostErrorText_;
    return Pa_GetErrorText(code);
}

void PortAudioInputDevice::postReturned(CaptureBuffer* buffer)
{
    AudioInputListener* target = listener_;
    const unsigned session = session_;
    QMetaObject::invokeMethod(
        context_.get(),
        [this, target, buffer, session] {
            if (session == session_)  // window thread, which alone changes session_
                target->onCaptureBufferDone(*buffer);
        },
        Qt::QueuedConnection);
}

void PortAudioInputDevice::streamFinished(void* userData)
{
    auto* device = static_cast<PortAudioInputDevice*>(userData);
    std::lock_guard lock(device->mutex_);
    if (device->closing_ || device->listener_ == nullptr)
        return;
    // The stream ended by itself: the sound system failed under it.
    device->recording_ = false;
    AudioInputListener* target = device->listener_;
    const unsigned session = device->session_;
    QMetaObject::invokeMethod(
        device->context_.get(),
        [device, target, session] {
            if (session == device->session_)  // window thread, which alone changes session_
                target->onCaptureFailed(kStreamEnded);
        },
        Qt::QueuedConnection);
}

int PortAudioInputDevice::streamCallback(const void* input, void*, unsigned long frameCount,
                                         const PaStreamCallbackTimeInfo*, unsigned long, void* userData)
{
    static_cast<PortAudioInputDevice*>(userData)->record(static_cast<const std::int16_t*>(input), frameCount);
    return paContinue;
}

void PortAudioInputDevice::record(const std::int16_t* in, unsigned long frameCount)
{
    std::lock_guard lock(mutex_);
    if (!recording_)
        return;
    unsigned long taken = 0;
    while (taken < frameCount && !queue_.empty()) {
        CaptureBuffer* head = queue_.front();
        const int capacity = head->lengthBytes / kBytesPerSample;
        const int filled = head->bytesRecorded / kBytesPerSample;
        const unsigned long count =
            std::min<unsigned long>(static_cast<unsigned long>(capacity - filled), frameCount - taken);
        if (in != nullptr)
            std::memcpy(head->data + filled, in + taken, count * sizeof(std::int16_t));
        else
            std::fill(head->data + filled, head->data + filled + count, std::int16_t{0});
        taken += count;
        head->bytesRecorded += static_cast<int>(count) * kBytesPerSample;
        if (head->bytesRecorded / kBytesPerSample >= capacity) {
            queue_.pop_front();
            postReturned(head);
        }
    }
    // Whatever is left finds no buffer and is dropped, as the platform does.
}
