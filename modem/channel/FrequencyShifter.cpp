// SPDX-License-Identifier: GPL-3.0-or-later
#include "modem/channel/FrequencyShifter.h"

#include <cmath>
#include <numbers>

namespace modem {

FrequencyShifter::FrequencyShifter(int rate, double offsetHz, double driftHzPerSecond)
    : hilbert_(rate),
      outputIndex_(-hilbert_.delay()),
      radiansPerSample_(2 * std::numbers::pi * offsetHz / rate),
      radiansPerSampleSquared_(std::numbers::pi * driftHzPerSecond / (static_cast<double>(rate) * rate))
{
}

double FrequencyShifter::nextPhase()
{
    const double m = static_cast<double>(outputIndex_++);
    double w = radiansPerSample_ * m;
    if (radiansPerSampleSquared_ != 0.0)
        w += radiansPerSampleSquared_ * m * m;
    return w;
}

double FrequencyShifter::step(double x)
{
    const std::complex<double> a = hilbert_.step(x);
    const double w = nextPhase();
    return a.real() * std::cos(w) - a.imag() * std::sin(w);
}

std::complex<double> FrequencyShifter::stepAnalytic(double x)
{
    const std::complex<double> a = hilbert_.step(x);
    const double w = nextPhase();
    const double c = std::cos(w);
    const double s = std::sin(w);
    return {a.real() * c - a.imag() * s, a.real() * s + a.imag() * c};
}

}  // namespace modem
