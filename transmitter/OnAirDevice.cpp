// SPDX-License-Identifier: GPL-3.0-or-later
#include "transmitter/OnAirDevice.h"

#include "modem/transmit/TxBitQueue.h"

#include <utility>

OnAirDevice::OnAirDevice(AudioOutputDevice& device, const TxBitQueue& queue, PlayedBitListener& bits)
    : device_(device), queue_(queue), bits_(bits), lastReadPos_(queue.readPos())
{
}

bool OnAirDevice::open(int sampleRate, AudioOutputListener& listener)
{
    stream_ = &listener;
    cut_ = false;
    carried_.fill(kNoBit);
    return device_.open(sampleRate, *this);
}

void OnAirDevice::prepare(OutputBuffer& buffer)
{
    device_.prepare(buffer);
}

void OnAirDevice::write(OutputBuffer& buffer)
{
    // The queue's read position moves by one with every bit it hands out, and the
    // stream queues a refilled buffer right after taking its bit.
    std::int64_t carried = kNoBit;
    if (queue_.readPos() != lastReadPos_) {
        lastReadPos_ = queue_.readPos();
        carried = lastReadPos_ - 1;  // the very first request hands out position 0: no queue bit
        bits_.bitQueued(carried);
    }
    if (buffer.index >= 0 && buffer.index < static_cast<int>(carried_.size()))
        carried_[static_cast<std::size_t>(buffer.index)] = carried;
    device_.write(buffer);
}

void OnAirDevice::reset()
{
    cut_ = true;
    device_.reset();
}

void OnAirDevice::finish(OutputBuffer& tail, OutputTailFiller& filler)
{
    cut_ = true;
    device_.finish(tail, filler);
}

void OnAirDevice::unprepare(OutputBuffer& buffer)
{
    device_.unprepare(buffer);
}

void OnAirDevice::close()
{
    device_.close();
}

void OnAirDevice::onOutputOpen()
{
    if (stream_)
        stream_->onOutputOpen();
}

void OnAirDevice::onOutputBufferDone(OutputBuffer& buffer)
{
    std::int64_t carried = kNoBit;
    if (buffer.index >= 0 && buffer.index < static_cast<int>(carried_.size()))
        carried = std::exchange(carried_[static_cast<std::size_t>(buffer.index)], kNoBit);
    // Told before the stream refills, so that a listener ending the transmission
    // here stops it before another bit is taken.
    if (!cut_ && carried != kNoBit)
        bits_.bitPlayed(carried);
    if (stream_)
        stream_->onOutputBufferDone(buffer);
}

void OnAirDevice::onOutputClose()
{
    if (stream_)
        stream_->onOutputClose();
    bits_.transmissionClosed();
}

void OnAirDevice::onOutputFailed()
{
    cut_ = true;
    if (stream_)
        stream_->onOutputFailed();
}
