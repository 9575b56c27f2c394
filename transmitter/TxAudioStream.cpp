// SPDX-License-Identifier: GPL-3.0-or-later
#include "transmitter/TxAudioStream.h"

#include "modem/transmit/TxBitQueue.h"
#include "platform/OperatorMessages.h"
#include "transmitter/PttKeyer.h"
#include "transmitter/TxWindowControls.h"

#include <algorithm>
#include <cmath>

TxAudioStream::TxAudioStream(AudioOutputDevice& device, TxBitQueue& queue, MskSynthesizer& synthesizer,
                             PttKeyer& ptt, TxWindowControls& window, OperatorMessages& messages)
    : device_(device),
      queue_(queue),
      synthesizer_(synthesizer),
      ptt_(ptt),
      window_(window),
      messages_(messages),
      storage_(static_cast<std::size_t>(kBufferCount) * kBufferSamples, 0),
      tailSamples_(static_cast<std::size_t>(kTailSamples + kMaxTailSilence), 0)
{
    for (int i = 0; i < kMaxBufferCount; ++i)
        headers_[static_cast<std::size_t>(i)].index = i;
    tail_.samples = tailSamples_.data();
    tail_.index = kTailIndex;
    tail_.lengthBytes = kBytesPerSample * kTailSamples;
}

namespace {
// The storage for 42 buffers at the slowest speed holds the buffers of every speed.
constexpr bool storageFitsEverySpeed()
{
    for (const TxMode& mode : kTxModes)
        if (TxAudioStream::buffersInFlight(mode.samplesPerBit) * mode.samplesPerBit >
            TxAudioStream::kBufferCount * TxAudioStream::kBufferSamples)
            return false;
    return true;
}
static_assert(storageFitsEverySpeed());
}  // namespace

TxAudioStream::~TxAudioStream()
{
    if (!deviceHeld_)
        return;
    if (!deviceClosing_)
        device_.reset();
    ptt_.release();
    if (!deviceClosing_)
        closeDevice();
}

void TxAudioStream::toggle()
{
    if (deviceHeld_)
        stop();
    else
        start();
}

void TxAudioStream::start()
{
    stopRequested_ = false;
    // The port must not change while the radio is keyed, and the speed must not
    // change while buffers of the starting speed are in flight.
    window_.setPttButtonEnabled(false);
    window_.setModeOptionsEnabled(false);

    if (!device_.open(kSampleRate, *this)) {
        messages_.beepExclamation();
        messages_.showMessage(kMessageTitle, kOpenFailedText, MessageIcon::Exclamation);
        // The box has no owner: while it was up the operator may have pressed
        // "Turn On" again, and that transmission keeps the controls locked.
        if (!deviceHeld_) {
            window_.setPttButtonEnabled(true);
            window_.setModeOptionsEnabled(true);
        }
        return;
    }
    deviceHeld_ = true;
    deviceClosing_ = false;
    sounding_ = false;
    fallPending_ = false;

    const int samplesPerBit = synthesizer_.samplesPerBit();
    buffersInUse_ = buffersInFlight(samplesPerBit);
    for (int i = 0; i < buffersInUse_; ++i) {
        OutputBuffer& header = headers_[static_cast<std::size_t>(i)];
        header.samples = storage_.data() + static_cast<std::size_t>(i) * static_cast<std::size_t>(samplesPerBit);
        header.lengthBytes = kBytesPerSample * samplesPerBit;
        device_.prepare(header);
    }
    device_.prepare(tail_);
    // Nothing is queued yet: the open notification comes after this returns, so the
    // radio is always keyed before its first sample.
    ptt_.key();
}

void TxAudioStream::stop()
{
    stopRequested_ = true;
    window_.setPttButtonEnabled(true);
    if (!deviceClosing_ && sounding_ && !fallPending_) {
        finishSound();  // PTT drops once the fall has played
        return;
    }
    // Before the sound began, or again while the fall plays: cut at once; every
    // queued buffer comes back, unplayed. Once the device has been told to close
    // there is nothing left to cut.
    fallPending_ = false;
    sounding_ = false;
    if (!deviceClosing_)
        device_.reset();
    ptt_.release();
}

void TxAudioStream::finishSound()
{
    fallPending_ = true;
    device_.finish(tail_, *this);
}

void TxAudioStream::fillTail(const OutputBuffer* playing, OutputBuffer& tail)
{
    const bool ours = playing != nullptr && playing->index >= 0 && playing->index < buffersInUse_ &&
                      playing == &headers_[static_cast<std::size_t>(playing->index)];
    std::fill(tailSamples_.begin(), tailSamples_.end(), std::int16_t{0});
    // The sound has stopped already when nothing plays: a fall after silence would
    // be a click of its own, so the tail is silence then.
    if (ours)
        synthesizer_.fillFall(tail.samples, endOfBuffer_[static_cast<std::size_t>(playing->index)]);
    const double latency = std::clamp(device_.latencySeconds(), 0.0, 1.0);
    const int silence = std::min(static_cast<int>(std::ceil(latency * kSampleRate)), kMaxTailSilence);
    tail.lengthBytes = kBytesPerSample * (kTailSamples + silence);
}

void TxAudioStream::requestClose()
{
    if (!deviceHeld_) {
        window_.endWindow();
        return;
    }
    stopRequested_ = true;
    closeRequested_ = true;
    if (deviceClosing_ || fallPending_)
        return;
    if (sounding_)
        finishSound();
    else
        device_.reset();
}

void TxAudioStream::onOutputOpen()
{
    if (!deviceHeld_ || deviceClosing_)
        return;
    if (stopRequested_) {
        // Stopped before the device reported itself open: nothing was queued, and
        // queueing the preamble now would leave buffers at a device being closed.
        closeDevice();
        return;
    }
    window_.setToggleText(kTurnOffText);
    firstBitOfOver_ = queue_.readPos();
    buffersPlayed_ = 0;
    underrunsBefore_ = device_.underrunCount();
    underrunsShown_ = 0;
    window_.showSoundRanDry(0);
    synthesizer_.startRise();
    for (int i = 0; i < kBufferCount; ++i)
        refill(headers_[static_cast<std::size_t>(i)], preambleBit(i));
    // At the faster speeds the text follows in the buffers beyond the preamble's.
    for (int i = kBufferCount; i < buffersInUse_; ++i)
        refill(headers_[static_cast<std::size_t>(i)], queue_.nextBit());
    sounding_ = true;
}

void TxAudioStream::onOutputBufferDone(OutputBuffer& buffer)
{
    if (&buffer == &tail_) {
        // Queued only by a stop: whether it has played or was cut, the over is done.
        if (!deviceHeld_ || deviceClosing_)
            return;
        if (fallPending_)
            ptt_.release();  // the fall has played
        closeDevice();
        return;
    }
    const bool ours = buffer.index >= 0 && buffer.index < buffersInUse_ &&
                      &buffer == &headers_[static_cast<std::size_t>(buffer.index)];
    if (!ours || !deviceHeld_ || deviceClosing_)
        return;
    if (!stopRequested_) {
        ++buffersPlayed_;
        const int dry = device_.underrunCount() - underrunsBefore_;
        if (dry != underrunsShown_) {
            underrunsShown_ = dry;
            window_.showSoundRanDry(dry);
        }
        refill(buffer, queue_.nextBit());
        return;
    }
    // While the fall plays the buffers back are the cut ones and the last bit: the
    // fall's own return closes. Otherwise the first buffer back after a stop closes
    // the device; the rest are dropped.
    if (fallPending_)
        return;
    closeDevice();
}

void TxAudioStream::closeDevice()
{
    for (int i = 0; i < buffersInUse_; ++i)
        device_.unprepare(headers_[static_cast<std::size_t>(i)]);
    device_.unprepare(tail_);
    device_.close();
    deviceClosing_ = true;
    sounding_ = false;
    fallPending_ = false;
}

void TxAudioStream::onOutputClose()
{
    if (!deviceHeld_)
        return;
    deviceHeld_ = false;
    deviceClosing_ = false;
    window_.setToggleText(kTurnOnText);
    window_.setModeOptionsEnabled(true);
    if (closeRequested_) {
        // The program ends with the window; a radio must not stay keyed behind it.
        ptt_.release();
        window_.endWindow();
    }
}

void TxAudioStream::onOutputFailed()
{
    if (!deviceHeld_ || deviceClosing_)
        return;
    stopRequested_ = true;
    fallPending_ = false;
    sounding_ = false;
    if (!closeRequested_)
        window_.setPttButtonEnabled(true);
    putBackUnplayed();  // before the reset, while the device still knows its latency
    device_.reset();
    ptt_.release();
    // A failed device may hand nothing more back; close it now rather than wait for
    // a buffer. The close notification then turns the window back to "Turn On".
    closeDevice();
    if (closeRequested_)
        return;  // the window is going anyway
    messages_.beepExclamation();
    messages_.showMessage(kMessageTitle, kStreamLostText, MessageIcon::Exclamation);
}

void TxAudioStream::putBackUnplayed()
{
    // The first kBufferCount buffers back carried the preamble, each later one the
    // next request's bit; of those handed back, the last latency's worth were
    // still in the sound system when it failed.
    const double bitSeconds = static_cast<double>(synthesizer_.samplesPerBit()) / kSampleRate;
    const auto inSystem = static_cast<std::int64_t>(std::ceil(device_.latencySeconds() / bitSeconds));
    const std::int64_t played = std::max<std::int64_t>(0, buffersPlayed_ - kBufferCount - inSystem);
    queue_.putBack(firstBitOfOver_ + played);
}

void TxAudioStream::refill(OutputBuffer& buffer, int bit)
{
    synthesizer_.fillBit(buffer.samples, bit);
    endOfBuffer_[static_cast<std::size_t>(buffer.index)] = synthesizer_.toneState();
    device_.write(buffer);
}
