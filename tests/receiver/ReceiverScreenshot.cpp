// SPDX-License-Identifier: GPL-3.0-or-later
// Draws the receiver beside its waterfall as an operator sees them while a
// 63-baud station comes in out of the noise, 7 Hz above the receiver's centre, with
// the enhanced demodulator and the squelch on, and saves both as one PNG (for the
// documentation), and the receiver alone as a second PNG if a second name is given:
//   receiver-screenshot OUT.png [RECEIVER.png]
// The sound card is a stand-in fed with the station's recorded audio.

#include "receiver/ReceivedTextEdit.h"
#include "receiver/ReceiverWindow.h"
#include "receiver/UpDown.h"
#include "receiver/WaterfallWindow.h"
#include "tests/fakes/FakeAudioInputDevice.h"
#include "tests/fakes/FakeOperatorMessages.h"
#include "tests/receiver/ReceiverTestSupport.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QPainter>
#include <QTest>

#include <cmath>
#include <iostream>
#include <random>

namespace {
constexpr int kGap = 12;              // pixels between the two windows in the picture
constexpr double kSnr2500 = 3.16;     // +5 dB in 2500 Hz
constexpr double kLeadSeconds = 14.0;  // noise before the station
constexpr int kSampleRate = 8000;
}  // namespace

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    if (argc != 2 && argc != 3) {
        std::cerr << "usage: receiver-screenshot OUT.png [RECEIVER.png]\n";
        return 2;
    }
    UseFreshSettings();
    FakeAudioInputDevice device;
    FakeOperatorMessages messages;
    FakeVolumeControl volume;
    ReceiverWindow window(device, messages, volume);
    window.show();
    window.waterfallAction()->trigger();
    window.enhancedAction()->trigger();
    window.squelchAction()->trigger();
    // The centre 7 Hz below the station at 1000 Hz: the AFC finds it.
    emit ControlOf<UpDown>(window, ReceiverWindow::kCentreUpDownId)->deltaPos(7);
    QTest::mouseClick(ControlOf<QAbstractButton>(window, 3001), Qt::LeftButton);  // "63 baud"
    window.capture().StartCapture();

    const std::vector<std::int16_t> station = RecordedTransmission("ryryry CQ CQ de DL1ABC DL1ABC pse k", 512);
    double power = 0;
    for (std::int16_t s : station)
        power += static_cast<double>(s) * s;
    power /= static_cast<double>(station.size());
    // Noise over the 4000 Hz band with P / (sigma^2 x 2500 / 4000) = the SNR.
    const double sigma = std::sqrt(power / kSnr2500 / 0.625);
    std::mt19937 random(5);
    std::normal_distribution<double> noise(0.0, sigma);
    const auto noisy = [&](std::vector<std::int16_t> audio) {
        for (std::int16_t& s : audio)
            s = static_cast<std::int16_t>(std::clamp(std::lround(s + noise(random)), -32768L, 32767L));
        return audio;
    };
    // Band noise fills the waterfall; the operator clears what it printed before
    // the station calls.
    device.play(noisy(std::vector<std::int16_t>(static_cast<std::size_t>(kLeadSeconds * kSampleRate), 0)));
    window.textPane()->clear();
    std::vector<std::int16_t> call = station;
    call.insert(call.end(), kSampleRate / 2, 0);
    device.play(noisy(call));
    QTest::qWait(2 * ReceiverWindow::kAfcRefreshMs);  // the AFC readout and mark catch up
    // The level readout shows the peak since its last refresh: a few samples of the
    // band noise after the over (too few for a bit, so the scope stays as it is).
    device.play(noisy(std::vector<std::int16_t>(16, 0)));
    window.RefreshLevel();

    const QImage receiver = window.grab().toImage();
    const QImage waterfall = window.waterfall()->grab().toImage();
    QImage picture(receiver.width() + kGap + waterfall.width(), std::max(receiver.height(), waterfall.height()),
                   QImage::Format_RGB32);
    picture.fill(Qt::white);
    QPainter painter(&picture);
    painter.drawImage(0, 0, receiver);
    painter.drawImage(receiver.width() + kGap, 0, waterfall);
    painter.end();
    bool saved = picture.save(QString::fromLocal8Bit(argv[1]));
    if (argc == 3)
        saved = receiver.save(QString::fromLocal8Bit(argv[2])) && saved;
    window.close();
    return saved ? 0 : 1;
}
