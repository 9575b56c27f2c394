// SPDX-License-Identifier: GPL-3.0-or-later
#include "receiver/AudioCapture.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {

std::int16_t* AllocateZeroedBlock(std::size_t samples)
{
    return new (std::nothrow) std::int16_t[samples]();
}

void ReleaseBlock(std::int16_t* block)
{
    delete[] block;
}

bool IsUtf8Continuation(unsigned char byte)
{
    return (byte & 0xC0) == 0x80;
}

}  // namespace

AudioCapture::AudioCapture(AudioInputDevice& device, CaptureWindow& window, OperatorMessages& messages,
                           SampleSink& samples)
    : device_(device), window_(window), messages_(messages), samples_(samples),
      allocate_(AllocateZeroedBlock), release_(ReleaseBlock)
{
}

AudioCapture::~AudioCapture()
{
    CloseCapture();
    FreeCaptureBuffers();
}

void AudioCapture::setBlockAllocator(BlockAllocator allocate, BlockRelease release)
{
    allocate_ = allocate;
    release_ = release;
}

bool AudioCapture::StartCapture()
{
    // "Start" works once; it is disabled after a success and the window is gone
    // after a failure.
    if (captureDeviceOpen)
        return true;

    bool ok = OpenCaptureDevice() && AllocateCaptureBuffers() && QueueCaptureBuffers();
    if (ok) {
        const int code = device_.start();
        if (code != 0) {
            ShowDeviceError(code);
            ok = false;
        }
    }
    if (!ok) {
        window_.CloseWindow();
        return false;
    }
    window_.DisableStartButton();
    return true;
}

bool AudioCapture::OpenCaptureDevice()
{
    if (device_.open(kDeviceSampleRate, *this) != 0) {
        ShowError(kNoDeviceText);
        return false;
    }
    captureDeviceOpen = true;
    return true;
}

bool AudioCapture::AllocateCaptureBuffers()
{
    FreeCaptureBuffers();
    for (int i = 0; i < kBufferCount; ++i) {
        CaptureBuffer& header = captureHeaders[static_cast<std::size_t>(i)];
        header = CaptureBuffer{};
        header.index = i + 1;
    }
    for (CaptureBuffer& header : captureHeaders) {
        header.data = allocate_(kSamplesPerBuffer);
        if (header.data == nullptr) {
            // The blocks already made are freed when the window closes.
            ShowError(kAllocFailedText);
            return false;
        }
        header.lengthBytes = kBufferBytes;
    }
    return true;
}

bool AudioCapture::QueueCaptureBuffers()
{
    for (CaptureBuffer& header : captureHeaders) {
        int code = device_.prepare(header);
        if (code == 0)
            code = device_.addBuffer(header);
        if (code != 0) {
            ShowDeviceError(code);
            return false;
        }
    }
    return true;
}

void AudioCapture::OnCaptureBufferDone(CaptureBuffer& header)
{
    // After the device is released its late notifications are dropped: the
    // blocks are gone and nothing may be queued again.
    if (!captureDeviceOpen || !IsOwnHeader(header) || header.data == nullptr)
        return;

    std::memcpy(captureSamples.data(), header.data, sizeof captureSamples);
    // A device can never record more than the buffer holds; a count beyond it (or
    // below zero) is not trusted past the end of the working array.
    const int n = std::clamp(header.bytesRecorded / 2, 0, kSamplesPerBuffer);
    for (int i = 0; i < n; ++i)
        samples_.DemodulateSample(captureSamples[static_cast<std::size_t>(i)]);

    int code = device_.prepare(header);
    if (code == 0)
        code = device_.addBuffer(header);
    if (code != 0) {
        ShowDeviceError(code);
        window_.CloseWindow();
    }
}

void AudioCapture::ToggleCapture()
{
    // Before "Start" there is no device: only the caption and the state flip.
    if (captureRunning == 0) {
        window_.SetToggleCaption(kStopCaption);
        if (captureDeviceOpen)
            device_.start();
        captureRunning = 1;
    } else if (captureRunning == 1) {
        window_.SetToggleCaption(kStartCaption);
        if (captureDeviceOpen)
            device_.stop();
        captureRunning = 0;
    }
}

void AudioCapture::CloseCapture()
{
    if (!captureDeviceOpen)
        return;
    device_.stop();
    device_.reset();
    for (CaptureBuffer& header : captureHeaders)
        device_.unprepare(header);
    device_.close();
    captureDeviceOpen = false;
    FreeCaptureBuffers();
}

void AudioCapture::OnCaptureFailed(int code)
{
    if (!captureDeviceOpen)
        return;
    // The text is taken before the device is closed, which may forget it.
    const std::string text = ShortErrorText(device_.errorText(code));
    CloseCapture();
    captureRunning = 1;
    window_.SetToggleCaption(kStopCaption);
    window_.EnableStartButton();
    ShowError(text);
}

void AudioCapture::FreeCaptureBuffers()
{
    for (CaptureBuffer& header : captureHeaders) {
        if (header.data != nullptr)
            release_(header.data);
        header.data = nullptr;
        header.lengthBytes = 0;
    }
}

bool AudioCapture::IsOwnHeader(const CaptureBuffer& header) const
{
    return std::any_of(captureHeaders.begin(), captureHeaders.end(),
                       [&header](const CaptureBuffer& own) { return &own == &header; });
}

void AudioCapture::ShowError(const std::string& text)
{
    messages_.showMessage(kMessageTitle, text, MessageIcon::None);
}

void AudioCapture::ShowDeviceError(int code)
{
    ShowError(ShortErrorText(device_.errorText(code)));
}

std::string AudioCapture::ShortErrorText(const std::string& text)
{
    std::size_t characters = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (IsUtf8Continuation(static_cast<unsigned char>(text[i])))
            continue;
        if (characters == kErrorTextMaxChars)
            return text.substr(0, i);
        ++characters;
    }
    return text;
}
