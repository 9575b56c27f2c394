// SPDX-License-Identifier: GPL-3.0-or-later
#include "modem/channel/SteadyCarrier.h"

#include <cmath>
#include <numbers>

namespace modem {

SteadyCarrier::SteadyCarrier(int rate, double frequencyHz, double rms)
    : peak_(std::sqrt(2.0) * rms), cyclesPerSample_(frequencyHz / rate)
{
}

double SteadyCarrier::step()
{
    const double y = peak_ * std::sin(2 * std::numbers::pi * cycles_);
    cycles_ += cyclesPerSample_;
    cycles_ -= std::floor(cycles_);
    return y;
}

}  // namespace modem
