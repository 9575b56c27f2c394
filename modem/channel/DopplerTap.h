// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One path of a fading channel: a complex Gaussian tap (Rayleigh amplitude,
// uniform phase) whose Doppler spectrum is a Gaussian of standard deviation
// sigma = spreadHz / 2, so that its autocorrelation is
// meanPower * exp(-2 pi^2 sigma^2 tau^2).
//
// White complex Gaussian samples pass a Gaussian FIR filter at a low rate of
// kTapRatePerSigma * sigma (the spectrum falls below -80 dB long before half of
// that), and the result is interpolated linearly to the sample rate. Everything
// is allocated when the tap is made; step() allocates nothing.

#include <complex>
#include <cstdint>
#include <random>
#include <vector>

namespace modem {

class DopplerTap {
public:
    static constexpr double kTapRatePerSigma = 64.0;  // tap samples a second per Hz of sigma

    // sampleRate: step() calls a second. spreadHz > 0. seed chooses the tap's path.
    DopplerTap(double sampleRate, double spreadHz, double meanPower, std::uint64_t seed);
    // The tap for the next sample.
    std::complex<double> step();

private:
    std::complex<double> nextTapSample();

    std::vector<double> shape_;                // the Gaussian filter, centre at the middle
    std::vector<std::complex<double>> white_;  // the filter's inputs, stored twice
    std::size_t newest_ = 0;
    std::mt19937_64 generator_;
    std::normal_distribution<double> normal_;  // of variance 1/2, real and imaginary parts
    std::complex<double> previous_, next_;     // the tap samples around the current time
    double position_ = 0.0;                    // 0..1 between previous_ and next_
    double advance_;                           // tap samples per step
};

}  // namespace modem
