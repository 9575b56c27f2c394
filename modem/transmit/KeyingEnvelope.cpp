// SPDX-License-Identifier: GPL-3.0-or-later
#include "modem/transmit/KeyingEnvelope.h"

#include <cmath>

namespace keying {
namespace {
const double kPi = 4.0 * std::atan(1.0);
}

double riseGain(int n)
{
    return (1.0 - std::cos(kPi * n / kEdgeSamples)) / 2.0;
}

double fallGain(int n)
{
    return (1.0 + std::cos(kPi * n / kEdgeSamples)) / 2.0;
}

}  // namespace keying
