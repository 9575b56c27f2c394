// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The output device as the audio stream sees it, telling which bit of the bit
// queue has just gone out through the sound card.
//
// It passes every call on to the real device and every notification back to the
// stream, and tags each buffer with the queue position of the bit in it: a buffer
// queued right after the queue handed out a new bit carries that bit; one queued
// without a new bit (the preamble) carries none. When the device hands a buffer
// back after playing it, its bit has been on the air. Buffers handed back by a
// reset, or after the device failed, were cut, not played.
//
// Window thread only, like the device and the stream. Nothing is allocated.

#include "modem/transmit/TransmitPreamble.h"
#include "platform/AudioOutput.h"
#include "transmitter/TxAudioStream.h"

#include <array>
#include <cstdint>

class TxBitQueue;

// Told of the bits on their way, on the window thread.
class PlayedBitListener {
public:
    virtual ~PlayedBitListener() = default;
    // A buffer was queued with the bit the queue has just handed out, at this
    // queue position (from 1; 0 for the start value of the very first request).
    virtual void bitQueued(std::int64_t position) = 0;
    // The bit at this queue position has been played.
    virtual void bitPlayed(std::int64_t position) = 0;
    // The device has closed: the transmission is over.
    virtual void transmissionClosed() = 0;
};

class OnAirDevice : public AudioOutputDevice, private AudioOutputListener {
public:
    OnAirDevice(AudioOutputDevice& device, const TxBitQueue& queue, PlayedBitListener& bits);
    OnAirDevice(const OnAirDevice&) = delete;
    OnAirDevice& operator=(const OnAirDevice&) = delete;

    bool open(int sampleRate, AudioOutputListener& listener) override;
    void prepare(OutputBuffer& buffer) override;
    void write(OutputBuffer& buffer) override;
    void reset() override;
    void unprepare(OutputBuffer& buffer) override;
    void close() override;
    // The rest of the device's interface passes straight through.
    void selectDevice(const std::string& serverName) override { device_.selectDevice(serverName); }
    int underrunCount() const override { return device_.underrunCount(); }
    double latencySeconds() const override { return device_.latencySeconds(); }
    // The end of a transmission: what comes back from here on is the cut queue, the
    // bit in play and the fall, none of them text that is still to be marked.
    void finish(OutputBuffer& tail, OutputTailFiller& filler) override;

private:
    void onOutputOpen() override;
    void onOutputBufferDone(OutputBuffer& buffer) override;
    void onOutputClose() override;
    void onOutputFailed() override;

    static constexpr std::int64_t kNoBit = 0;  // queue positions count from 1

    AudioOutputDevice& device_;
    const TxBitQueue& queue_;
    PlayedBitListener& bits_;
    AudioOutputListener* stream_ = nullptr;
    // The queue position each buffer carries, by the buffer's index.
    // One for each buffer the stream may have in flight, the fall's included.
    std::array<std::int64_t, TxAudioStream::kTailIndex + 1> carried_{};
    std::int64_t lastReadPos_;  // the queue's read position at the last write
    bool cut_ = false;          // reset or failed: what comes back was not played
};
