// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// White Gaussian noise added sample by sample and the result scaled to 16 bits.

#include "modem/channel/ChannelOptions.h"

#include <cstdint>
#include <random>

namespace modem {

// Rounds to the nearest 16-bit sample, clipping at full scale.
std::int16_t toSixteenBits(double v);

class ChannelNoise {
public:
    // power: the mean square of the path's whole output (16-bit scale).
    ChannelNoise(int rate, double power, const ChannelOptions& options);
    std::int16_t step(double x) { return toSixteenBits(addNoise(x) * scale_); }

    // The noise alone, without the scale that keeps a noisy output's RMS at
    // kNoisyOutputRms; and its variance.
    double addNoise(double x) { return sigma_ > 0 ? x + sigma_ * noise_(generator_) : x; }
    double variance() const { return sigma_ * sigma_; }

private:
    double sigma_ = 0;
    double scale_ = 1;
    std::mt19937_64 generator_;
    std::normal_distribution<double> noise_{0.0, 1.0};
};

}  // namespace modem
