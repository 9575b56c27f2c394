// SPDX-License-Identifier: GPL-3.0-or-later
#include "modem/channel/SsbPassband.h"

#include <cmath>
#include <numbers>

namespace modem {
namespace {

constexpr double kPi = std::numbers::pi;

// The Q of each second-order section of an order-n Butterworth filter:
// 1 / (2 cos(pi (2k - 1) / (2n))), k = 1 .. n/2.
double butterworthQ(int order, int k) { return 1.0 / (2.0 * std::cos(kPi * (2 * k - 1) / (2.0 * order))); }

}  // namespace

SsbPassband::SsbPassband(int rate)
{
    // The biquads of the audio-EQ cookbook, which put the bilinear transform's
    // prewarped corner exactly at f0.
    const auto section = [&](double f0, double q, bool highPass) {
        const double w0 = 2 * kPi * f0 / rate;
        const double alpha = std::sin(w0) / (2 * q);
        const double c = std::cos(w0);
        const double a0 = 1 + alpha;
        const double b1 = highPass ? -(1 + c) : 1 - c;
        const double b0 = highPass ? (1 + c) / 2 : (1 - c) / 2;
        sections_.push_back({b0 / a0, b1 / a0, b0 / a0, -2 * c / a0, (1 - alpha) / a0});
    };
    for (int k = 1; k <= kHighPassOrder / 2; ++k)
        section(kLowEdgeHz, butterworthQ(kHighPassOrder, k), true);
    if (kHighEdgeHz < 0.45 * rate)
        for (int k = 1; k <= kLowPassOrder / 2; ++k)
            section(kHighEdgeHz, butterworthQ(kLowPassOrder, k), false);
}

double SsbPassband::step(double x)
{
    for (Biquad& b : sections_)
        x = b.step(x);
    return x;
}

}  // namespace modem
