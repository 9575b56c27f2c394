// SPDX-License-Identifier: GPL-3.0-or-later
#include "modem/channel/ReceiverAgc.h"

#include <algorithm>
#include <cmath>

namespace modem {

ReceiverAgc::ReceiverAgc(int rate, AgcSpeed speed)
    : attack_(1.0 - std::exp(-1.0 / (kAttackSeconds * rate))),
      decay_(std::exp(-1.0 / ((speed == AgcSpeed::Slow ? kSlowDecaySeconds : kFastDecaySeconds) * rate))),
      peak_(kTargetPeak / kMaxGain)
{
}

double ReceiverAgc::gain() const { return kTargetPeak / peak_; }

double ReceiverAgc::step(double x)
{
    const double level = std::abs(x);
    if (level > peak_)
        peak_ += attack_ * (level - peak_);
    else
        peak_ = std::max(kTargetPeak / kMaxGain, peak_ * decay_);
    return x * gain();
}

}  // namespace modem
