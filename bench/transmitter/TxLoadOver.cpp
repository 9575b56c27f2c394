// SPDX-License-Identifier: GPL-3.0-or-later
// One over through the real sound path, for the load test (tests/sound/load-test.sh):
// the transmitter's audio stream plays TEXT, typed before "Turn On", through
// PortAudio at the given speed, waits until the last text bit has played, turns
// off and prints how often the sound ran dry.
//   tx-load-over --baud 31|63|125|250|500 [--device SERVER-NAME] TEXT
// Exit status 0 when the over ran its course, 1 otherwise.

#include "modem/transmit/MskSynthesizer.h"
#include "modem/transmit/TxBitQueue.h"
#include "platform/OperatorMessages.h"
#include "platform/PortAudioOutputDevice.h"
#include "transmitter/PttKeyer.h"
#include "transmitter/TxAudioStream.h"
#include "transmitter/TxWindowControls.h"

#include <QCoreApplication>
#include <QTimer>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

constexpr int kPollMs = 20;
constexpr double kPlayOutMarginSeconds = 0.5;  // after the last text bit has left the queue

struct Text : TxTextSource {
    std::string bytes;
    std::int64_t length() const override { return static_cast<std::int64_t>(bytes.size()); }
    std::uint8_t byteAt(std::int64_t i) const override { return static_cast<std::uint8_t>(bytes[static_cast<std::size_t>(i)]); }
};
struct NoStatus : TxStatusSink {
    void setStatusText(const std::string&) override {}
};
struct NoPtt : PttKeyer {
    void key() override {}
    void release() override {}
};
struct Controls : TxWindowControls {
    std::string toggle = TxAudioStream::kTurnOnText;
    void setToggleText(const std::string& text) override { toggle = text; }
    void setPttButtonEnabled(bool) override {}
    void setModeOptionsEnabled(bool) override {}
    void endWindow() override {}
};
struct Messages : OperatorMessages {
    bool shown = false;
    void beepExclamation() override {}
    void showMessage(const std::string&, const std::string& text, MessageIcon) override
    {
        shown = true;
        std::fprintf(stderr, "tx-load-over: %s\n", text.c_str());
    }
};

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    int samplesPerBit = 0;
    std::string device;
    Text text;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--baud") == 0 && i + 1 < argc) {
            const std::string baud = argv[++i];
            for (const TxMode& mode : kTxModes)
                if (std::string(mode.label) == baud + " baud")
                    samplesPerBit = mode.samplesPerBit;
        } else if (std::strcmp(argv[i], "--device") == 0 && i + 1 < argc) {
            device = argv[++i];
        } else {
            text.bytes = argv[i];
        }
    }
    if (samplesPerBit == 0 || text.bytes.empty()) {
        std::fprintf(stderr, "usage: tx-load-over --baud 31|63|125|250|500 [--device NAME] TEXT\n");
        return 2;
    }

    PortAudioOutputDevice audio;
    audio.selectDevice(device);
    NoStatus status;
    TxBitQueue queue(text, status);
    MskSynthesizer synthesizer;
    synthesizer.setSamplesPerBit(samplesPerBit);
    NoPtt ptt;
    Controls controls;
    Messages messages;
    TxAudioStream stream(audio, queue, synthesizer, ptt, controls, messages);

    const double bitSeconds = static_cast<double>(samplesPerBit) / MskSynthesizer::kSampleRate;
    std::int64_t lastTextBit = -1;
    bool turnedOff = false;
    double latency = 0.0;  // as the open stream reports it
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (messages.shown || (turnedOff && !stream.deviceHeld())) {
            application.quit();
            return;
        }
        if (turnedOff)
            return;
        latency = audio.latencySeconds();
        if (lastTextBit < 0 && queue.textTaken() == text.length())
            lastTextBit = queue.queuedBits();
        // Every text bit handed out, through the buffers in flight and the sound
        // system's own latency, and a margin.
        const double playOut = TxAudioStream::kBufferCount + (audio.latencySeconds() + kPlayOutMarginSeconds) / bitSeconds;
        if (lastTextBit >= 0 && queue.readPos() > lastTextBit + static_cast<std::int64_t>(std::ceil(playOut))) {
            stream.toggle();
            turnedOff = true;
        }
    });
    stream.toggle();
    if (!stream.deviceHeld())
        return 1;
    poll.start(kPollMs);
    application.exec();
    std::printf("underruns %d latency %.1f ms\n", audio.underrunCount(), latency * 1000.0);
    return messages.shown ? 1 : 0;
}
