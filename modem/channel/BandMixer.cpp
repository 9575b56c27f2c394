// SPDX-License-Identifier: GPL-3.0-or-later
#include "modem/channel/BandMixer.h"

#include <algorithm>
#include <cmath>

namespace modem {
namespace {

double powerRatio(double db) { return std::pow(10.0, db / 10.0); }

}  // namespace

BandMixer::BandMixer(int rate, double signalPower, const ChannelOptions& options)
    : noise_(rate, signalPower, options), plain_(!options.addsSignals() && !options.shapesOutput())
{
    if (plain_)
        return;
    double power = signalPower + noise_.variance();  // of everything that sounds steadily
    if (options.secondStation.present) {
        const double p = signalPower * powerRatio(options.secondStation.relativeDb);
        station_.emplace(rate, options.secondStationSamplesPerBit, options.secondStation.offsetHz, std::sqrt(2 * p));
        power += p;
    }
    if (options.carrier.present) {
        const double p = signalPower * powerRatio(options.carrier.relativeDb);
        carrier_.emplace(rate, kBandCentreHz + options.carrier.offsetHz, std::sqrt(p));
        power += p;
    }
    double peak = 0.0;  // of the impulses, at most
    if (options.impulsesPerSecond > 0) {
        const double onset = std::sqrt(signalPower * powerRatio(options.impulseRelativeDb));
        impulses_.emplace(rate, options.impulsesPerSecond, onset, streamSeed(options.seed, RandomStream::Impulses));
        peak = kImpulseCrest * onset;
    }
    if (options.ssbPassband)
        passband_.emplace(rate);
    if (options.agc != AgcSpeed::Off) {
        agc_.emplace(rate, options.agc);  // the AGC sets the level itself
    } else if (options.addsSignals() || std::isfinite(options.snrDb)) {
        scale_ = power > 0 ? std::min(1.0, kNoisyOutputRms / std::sqrt(power)) : 1.0;
        if (peak > 0)
            scale_ = std::min(scale_, (kFullScale - 1) / peak);
    }
}

std::int16_t BandMixer::step(double wanted)
{
    if (plain_)
        return noise_.step(wanted);
    double x = wanted;
    if (station_)
        x += station_->step();
    if (carrier_)
        x += carrier_->step();
    x = noise_.addNoise(x);
    if (impulses_)
        x += impulses_->step();
    if (passband_)
        x = passband_->step(x);
    if (agc_)
        x = agc_->step(x);
    return toSixteenBits(x * scale_);
}

}  // namespace modem
