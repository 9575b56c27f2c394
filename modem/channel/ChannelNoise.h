// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// White Gaussian noise added sample by sample and the result scaled to 16 bits.

#include "modem/channel/ChannelOptions.h"

#include <cstdint>
#include <random>

namespace modem {

class ChannelNoise {
public:
    // power: the mean square of the path's whole output (16-bit scale).
    ChannelNoise(int rate, double power, const ChannelOptions& options);
    std::int16_t step(double x);

private:
    double sigma_ = 0;
    double scale_ = 1;
    std::mt19937_64 generator_;
    std::normal_distribution<double> noise_{0.0, 1.0};
};

}  // namespace modem
