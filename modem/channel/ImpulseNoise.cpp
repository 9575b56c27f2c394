// SPDX-License-Identifier: GPL-3.0-or-later
#include "modem/channel/ImpulseNoise.h"

#include <cmath>

namespace modem {

ImpulseNoise::ImpulseNoise(int rate, double burstsPerSecond, double onsetRms, std::uint64_t seed)
    : onsetRms_(onsetRms),
      decayPerSample_(std::exp(-1.0 / (kDecaySeconds * rate))),
      meanGap_(rate / burstsPerSecond),
      generator_(seed)
{
    untilNext_ = meanGap_ * gap_(generator_);
}

double ImpulseNoise::step()
{
    untilNext_ -= 1.0;
    while (untilNext_ < 0.0) {  // a burst starts at this sample
        rms_ = std::sqrt(rms_ * rms_ + onsetRms_ * onsetRms_);
        untilNext_ += meanGap_ * gap_(generator_);
    }
    if (rms_ == 0.0)
        return 0.0;
    const double y = rms_ * noise_(generator_);
    rms_ *= decayPerSample_;
    if (rms_ < kEndRatio * onsetRms_)
        rms_ = 0.0;
    return y;
}

}  // namespace modem
