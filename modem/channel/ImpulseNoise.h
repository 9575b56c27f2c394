// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Static crashes and ignition clicks: short broadband bursts at random (Poisson)
// times. A burst is white Gaussian noise whose RMS starts at onsetRms and falls by
// 1/e every kDecaySeconds; bursts that overlap add their powers.

#include <cstdint>
#include <random>

namespace modem {

class ImpulseNoise {
public:
    static constexpr double kDecaySeconds = 0.001;
    // A burst is over once its RMS has fallen this far below its onset (-80 dB).
    static constexpr double kEndRatio = 1e-4;

    ImpulseNoise(int rate, double burstsPerSecond, double onsetRms, std::uint64_t seed);
    double step();

private:
    double onsetRms_;
    double decayPerSample_;
    double rms_ = 0.0;            // of the bursts still sounding
    double untilNext_;            // samples to the next burst's onset
    double meanGap_;              // samples between onsets, on average
    std::mt19937_64 generator_;
    std::exponential_distribution<double> gap_{1.0};
    std::normal_distribution<double> noise_{0.0, 1.0};
};

}  // namespace modem
