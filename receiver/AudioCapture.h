// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Recording from the sound card: device 0 at 8000 samples per second, 16-bit mono,
// into eight buffers of 256 samples (32 ms each, 256 ms in all) that circulate
// between the device and the program. Every returned buffer's samples go, in
// order, to the demodulator, and the buffer goes straight back into the queue.
//
// Window thread only: the buttons call StartCapture and ToggleCapture, the device's
// notifications arrive as OnCaptureBufferDone, and the window's close calls
// CloseCapture. The blocks are allocated once, when "Start" is pressed; nothing is
// allocated per buffer or per sample, and nothing here is ever reset.

#include "modem/receive/SampleSink.h"
#include "platform/AudioInput.h"
#include "platform/OperatorMessages.h"
#include "receiver/CaptureWindow.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

class AudioCapture : public AudioInputListener {
public:
    static constexpr int kBufferCount = 8;
    static constexpr int kSamplesPerBuffer = 256;                            // 32 ms at 8000 samples/s
    static constexpr int kBufferBytes = kSamplesPerBuffer * 2;               // bytes, 16-bit samples
    static constexpr int kDeviceSampleRate = 8000;                           // samples/s the card records
    static constexpr std::size_t kErrorTextMaxChars = 126;                   // characters of a platform error text
    static constexpr const char* kMessageTitle = "MSK receiver";
    static constexpr const char* kNoDeviceText = "No suitable device found";
    static constexpr const char* kAllocFailedText = "Can\u00B4t alloc Buffers";
    static constexpr const char* kStopCaption = "Stop";
    static constexpr const char* kStartCaption = "Start";

    // The data blocks come from here: zero-filled, or nullptr when memory is out.
    // Tests swap in an allocator that fails.
    using BlockAllocator = std::int16_t* (*)(std::size_t samples);
    using BlockRelease = void (*)(std::int16_t* block);

    AudioCapture(AudioInputDevice& device, CaptureWindow& window, OperatorMessages& messages, SampleSink& samples);
    ~AudioCapture() override;
    AudioCapture(const AudioCapture&) = delete;
    AudioCapture& operator=(const AudioCapture&) = delete;

    void setBlockAllocator(BlockAllocator allocate, BlockRelease release);

    // Opens the device, allocates and queues the buffers and starts recording. On
    // failure the operator has seen why and the window has been closed.
    bool StartCapture();
    // Pause/resume: the caption flips and recording stops or starts again.
    void ToggleCapture();
    // One returned buffer: its recorded samples to the demodulator, then re-queued.
    void OnCaptureBufferDone(CaptureBuffer& header);
    // Stops, resets and closes the device and frees the blocks. A second call, or
    // one before "Start", does nothing.
    void CloseCapture();
    // Recording ended on its own (sound server gone): the device is released, the
    // operator sees the platform's text, and the window is back where "Start"
    // opens the device again.
    void OnCaptureFailed(int code);

    void onCaptureBufferDone(CaptureBuffer& buffer) override { OnCaptureBufferDone(buffer); }
    void onCaptureFailed(int code) override { OnCaptureFailed(code); }

    std::int32_t running() const { return captureRunning; }
    bool deviceOpen() const { return captureDeviceOpen; }
    const CaptureBuffer& header(int i) const { return captureHeaders[static_cast<std::size_t>(i)]; }

    // A platform error text as the operator sees it: at most 126 characters,
    // never cutting a UTF-8 sequence in two.
    static std::string ShortErrorText(const std::string& text);

private:
    bool OpenCaptureDevice();
    bool AllocateCaptureBuffers();
    bool QueueCaptureBuffers();
    void FreeCaptureBuffers();
    bool IsOwnHeader(const CaptureBuffer& header) const;
    void ShowError(const std::string& text);
    void ShowDeviceError(int code);

    AudioInputDevice& device_;
    CaptureWindow& window_;
    OperatorMessages& messages_;
    SampleSink& samples_;
    BlockAllocator allocate_;
    BlockRelease release_;

    bool captureDeviceOpen = false;
    std::array<CaptureBuffer, kBufferCount> captureHeaders{};
    std::array<std::int16_t, kSamplesPerBuffer> captureSamples{};
    std::int32_t captureRunning = 1;  // 1: recording, toggle reads "Stop"; 0: paused
};
