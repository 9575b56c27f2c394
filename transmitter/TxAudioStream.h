// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The sound card side of a transmission and its start and stop.
//
// 42 buffers of one bit each stay queued at the output device while a transmission
// runs at 31 or 63 baud; at the faster speeds as many as hold half a second, so a
// busy machine that keeps the window thread from refilling them for a while does
// not run the sound dry (42 bits are 84 ms at 500 baud). Every buffer the device
// hands back is refilled with the next bit of the queue and queued again, so a
// typed character is heard about one queue's length later. A transmission opens
// with a preamble of 42 bits and then
// runs, sending text or idle units, until the operator turns it off or closes the
// window; PTT is keyed before the first sample is queued.
//
// The carrier never switches on or off in one step: the preamble opens with the
// keying rise, and "Turn Off" or closing the window lets the bit in play finish
// and then plays the fall (a buffer of its own) before PTT drops; the bits still queued
// behind the one in play are lost, as with a cut. A second "Turn Off" while the
// fall plays, or a lost stream, cuts at once and releases PTT.
//
// Window thread only: the toggle and the close request come from the window, the
// three notifications from the device through the window's event loop. Nothing
// here allocates after construction.

#include "modem/transmit/KeyingEnvelope.h"
#include "modem/transmit/MskSynthesizer.h"
#include "modem/transmit/TransmitPreamble.h"
#include "platform/AudioOutput.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

// Sound in flight at least, in seconds, whatever the speed.
inline constexpr double kTxMinimumQueuedSeconds = 0.5;

// Buffers of one bit in flight at a speed: the preamble's 42, or as many as hold
// kTxMinimumQueuedSeconds where that is more (62 at 125 baud, 125 at 250, 250 at 500).
constexpr int txBuffersInFlight(int samplesPerBit)
{
    const int bits = static_cast<int>(kTxMinimumQueuedSeconds * MskSynthesizer::kSampleRate) / samplesPerBit;
    return bits > kPreambleBuffers ? bits : kPreambleBuffers;
}

class OperatorMessages;
class PttKeyer;
class TxBitQueue;
class TxWindowControls;

class TxAudioStream : public AudioOutputListener, private OutputTailFiller {
public:
    static constexpr int kBufferCount = kPreambleBuffers;                         // buffers in flight at least
    static constexpr int kTailSamples = keying::kEdgeSamples;                    // the fall
    // Silence after the fall, as long as the sound system's latency (at most half
    // a second): the fall's buffer comes back, and PTT drops, once the fall has
    // been heard rather than once it was handed on.
    static constexpr int kMaxTailSilence = MskSynthesizer::kSampleRate / 2;
    static constexpr int kBufferSamples = MskSynthesizer::kMaxSamplesPerBit;      // storage per buffer
    static constexpr int kSampleRate = MskSynthesizer::kSampleRate;              // samples per second
    static constexpr int kBytesPerSample = 2;                                    // 16-bit mono
    static constexpr int buffersInFlight(int samplesPerBit) { return txBuffersInFlight(samplesPerBit); }
    static constexpr int kMaxBufferCount = txBuffersInFlight(kTxModes.back().samplesPerBit);
    static constexpr int kTailIndex = kMaxBufferCount;                           // the fall's buffer
    static constexpr const char* kTurnOnText = "Turn On";
    static constexpr const char* kTurnOffText = "Turn Off";
    static constexpr const char* kMessageTitle = "MSK transmitter";
    static constexpr const char* kOpenFailedText = "Error opening waveform audio device!";
    static constexpr const char* kStreamLostText =
        "The sound stopped while sending: the sound device or the sound server went away. PTT is released, and "
        "the text that was not sent waits for the next \"Turn On\".";

    TxAudioStream(AudioOutputDevice& device, TxBitQueue& queue, MskSynthesizer& synthesizer, PttKeyer& ptt,
                  TxWindowControls& window, OperatorMessages& messages);
    // Destroyed while the device is open (the event loop ended in the middle of a
    // transmission): cuts the sound, releases PTT and closes the device, so the
    // device keeps no buffer whose storage goes with this object. What the device
    // still reports after that must not be delivered here.
    ~TxAudioStream() override;
    TxAudioStream(const TxAudioStream&) = delete;
    TxAudioStream& operator=(const TxAudioStream&) = delete;

    // The "Turn On"/"Turn Off" button: starts when no device is held, else stops.
    void toggle();
    // The window's close box or Esc: ends the window at once when idle; during a
    // transmission cuts the sound and ends the window once the device has closed.
    void requestClose();

    void onOutputOpen() override;
    void onOutputBufferDone(OutputBuffer& buffer) override;
    void onOutputClose() override;
    // The sound system dropped the stream: end the transmission as a stop would,
    // so the radio is not left keyed on a dead carrier, put the text whose sound
    // never played back into the queue and tell the operator.
    void onOutputFailed() override;

    bool deviceHeld() const { return deviceHeld_; }  // from a successful open to the close notification
    bool stopRequested() const { return stopRequested_; }
    bool closeRequested() const { return closeRequested_; }
    // The bytes each buffer plays in the transmission that runs or ran last.
    int bufferBytes() const { return headers_[0].lengthBytes; }
    // The buffers in flight in the transmission that runs or ran last.
    int bufferCount() const { return buffersInUse_; }
    // The fall is queued and PTT waits for it to play.
    bool fallPending() const { return fallPending_; }

private:
    void start();
    void stop();
    void refill(OutputBuffer& buffer, int bit);
    void closeDevice();
    void putBackUnplayed();
    // Lets the bit in play finish and queues the fall behind it.
    void finishSound();
    void fillTail(const OutputBuffer* playing, OutputBuffer& tail) override;

    AudioOutputDevice& device_;
    TxBitQueue& queue_;
    MskSynthesizer& synthesizer_;
    PttKeyer& ptt_;
    TxWindowControls& window_;
    OperatorMessages& messages_;

    std::vector<std::int16_t> storage_;  // kBufferCount * kBufferSamples, zeroed at start
    std::array<OutputBuffer, kMaxBufferCount> headers_{};
    int buffersInUse_ = kBufferCount;    // of headers_, laid out over storage_ at each start
    // Where each buffer's bit left the waveform, so the fall continues the one in play.
    std::array<MskSynthesizer::ToneState, kMaxBufferCount> endOfBuffer_{};
    std::vector<std::int16_t> tailSamples_;  // kTailSamples + kMaxTailSilence
    OutputBuffer tail_{};
    bool sounding_ = false;     // the preamble is queued: a stop has a bit to fade out
    bool fallPending_ = false;  // the fall is queued; the first buffer back no longer closes
    bool deviceHeld_ = false;
    bool deviceClosing_ = false;  // close() called, its notification still to come
    bool stopRequested_ = false;
    bool closeRequested_ = false;
    // This over: the queue position its first text bit came from, the buffers the
    // device has handed back, and the device's underrun count at its start.
    std::int64_t firstBitOfOver_ = 0;
    std::int64_t buffersPlayed_ = 0;
    int underrunsBefore_ = 0;
    int underrunsShown_ = 0;
};
