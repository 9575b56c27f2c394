// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The receiving radio's automatic gain control on its audio: a peak detector
// that rises within kAttackSeconds and falls with the chosen decay (fast or slow),
// and a gain that brings that peak to kTargetPeak, never more than kMaxGain. A
// click pulls the gain down at once and the signal after it comes back only as
// the detector decays -- as on a real radio.

#include "modem/channel/ChannelOptions.h"

namespace modem {

class ReceiverAgc {
public:
    static constexpr double kAttackSeconds = 0.001;
    static constexpr double kFastDecaySeconds = 0.1;
    static constexpr double kSlowDecaySeconds = 1.0;
    static constexpr double kTargetPeak = 8192.0;  // 16-bit scale, -12 dBFS
    static constexpr double kMaxGain = 1000.0;     // 60 dB

    ReceiverAgc(int rate, AgcSpeed speed);
    double step(double x);
    double gain() const;

private:
    double attack_;   // share of the step taken per sample while rising
    double decay_;    // factor per sample while falling
    double peak_;     // the detector's level, never below kTargetPeak / kMaxGain
};

}  // namespace modem
