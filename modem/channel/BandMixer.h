// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What joins the wanted signal on the band and what the receiving radio does to
// the sum, sample by sample: a second station, a steady carrier, white noise and
// impulse noise added, then the SSB passband and the AGC, then 16 bits. Every
// level is set against the wanted signal's mean power. With none of the band's
// troubles set it is ChannelNoise alone, sample for sample.

#include "modem/channel/ChannelNoise.h"
#include "modem/channel/ChannelOptions.h"
#include "modem/channel/ImpulseNoise.h"
#include "modem/channel/ReceiverAgc.h"
#include "modem/channel/SecondStation.h"
#include "modem/channel/SsbPassband.h"
#include "modem/channel/SteadyCarrier.h"

#include <cstdint>
#include <optional>

namespace modem {

class BandMixer {
public:
    // A burst's noise peaks stay within this many times its onset RMS (Gaussian
    // samples beyond 4.5 sigma come once in 150000); the output is scaled so that
    // such a peak still fits in 16 bits.
    static constexpr double kImpulseCrest = 4.5;

    // signalPower: the mean square of the wanted signal (16-bit scale), as the
    // path gives it without fading.
    BandMixer(int rate, double signalPower, const ChannelOptions& options);
    std::int16_t step(double wanted);

private:
    ChannelNoise noise_;
    std::optional<SecondStation> station_;
    std::optional<SteadyCarrier> carrier_;
    std::optional<ImpulseNoise> impulses_;
    std::optional<SsbPassband> passband_;
    std::optional<ReceiverAgc> agc_;
    bool plain_;          // noise alone: ChannelNoise's own scale
    double scale_ = 1.0;  // otherwise, before rounding to 16 bits
};

}  // namespace modem
