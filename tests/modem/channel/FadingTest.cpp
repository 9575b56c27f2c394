// SPDX-License-Identifier: GPL-3.0-or-later
// The fading paths against the theory of a Gaussian-Doppler Rayleigh channel:
// the spectrum's width, the autocorrelation, the amplitude's distribution, and
// how two paths add up.
#include "modem/channel/DopplerTap.h"
#include "modem/channel/WattersonFading.h"

#include <gtest/gtest.h>
#include <kissfft/kissfft.hh>

#include <cmath>
#include <complex>
#include <numbers>
#include <vector>

namespace {

using modem::DopplerTap;
using Tap = std::complex<double>;
constexpr double kPi = std::numbers::pi;

// 2^20 tap values of a 1 Hz spread (sigma 0.5 Hz) at 64 steps a second: 16384 s,
// about 29000 coherence times of 1 / (2 sqrt(pi) sigma) = 0.56 s. Statistics over
// them scatter by about 1 / sqrt(29000) = 0.6 %; the tolerances below are 4 to 5
// times that.
constexpr double kSpreadHz = 1.0;
constexpr double kSigmaHz = kSpreadHz / 2;
constexpr double kStepRate = 64.0;
constexpr std::size_t kSamples = std::size_t{1} << 20;

const std::vector<Tap>& tapRecord()
{
    static const std::vector<Tap> taps = [] {
        DopplerTap tap(kStepRate, kSpreadHz, 1.0, 12345);
        std::vector<Tap> h(kSamples);
        for (Tap& v : h)
            v = tap.step();
        return h;
    }();
    return taps;
}

TEST(DopplerTapTest, SpectrumIsGaussianWithTheAskedSpread)
{
    // Welch: Hann-windowed 4096-point periodograms (0.0156 Hz a bin), averaged.
    constexpr std::size_t kSegment = 4096;
    const auto& h = tapRecord();
    kissfft<double> fft(kSegment, false);
    std::vector<Tap> in(kSegment), out(kSegment);
    std::vector<double> psd(kSegment, 0.0);
    for (std::size_t start = 0; start + kSegment <= h.size(); start += kSegment) {
        for (std::size_t n = 0; n < kSegment; ++n)
            in[n] = h[start + n] * std::pow(std::sin(kPi * static_cast<double>(n) / kSegment), 2);
        fft.transform(in.data(), out.data());
        for (std::size_t k = 0; k < kSegment; ++k)
            psd[k] += std::norm(out[k]);
    }
    double total = 0, mean = 0, square = 0, withinSigma = 0, withinTwoSigma = 0;
    for (std::size_t k = 0; k < kSegment; ++k) {
        const double f = (k < kSegment / 2 ? static_cast<double>(k) : static_cast<double>(k) - kSegment) * kStepRate / kSegment;
        total += psd[k];
        mean += f * psd[k];
        square += f * f * psd[k];
        withinSigma += std::abs(f) <= kSigmaHz ? psd[k] : 0.0;
        withinTwoSigma += std::abs(f) <= 2 * kSigmaHz ? psd[k] : 0.0;
    }
    // Doppler spread = 2 x the spectrum's RMS width; centred on 0 Hz.
    EXPECT_NEAR(2 * std::sqrt(square / total), kSpreadHz, 0.03 * kSpreadHz);
    EXPECT_NEAR(mean / total, 0.0, 0.01);
    // A Gaussian holds 68.3 % of its power within one sigma and 95.4 % within two
    // (the bin edges at +-0.5 Hz and +-1 Hz blur this by well under 1 %).
    EXPECT_NEAR(withinSigma / total, 0.683, 0.02);
    EXPECT_NEAR(withinTwoSigma / total, 0.954, 0.01);
}

TEST(DopplerTapTest, AutocorrelationIsGaussian)
{
    const auto& h = tapRecord();
    const auto correlation = [&](std::size_t lag) {
        Tap sum = 0;
        for (std::size_t n = 0; n + lag < h.size(); ++n)
            sum += h[n + lag] * std::conj(h[n]);
        return sum / static_cast<double>(h.size() - lag);
    };
    const double power = correlation(0).real();
    // R(tau) / R(0) = exp(-2 pi^2 sigma^2 tau^2): at tau = 0.125, 0.25, 0.5, 0.75 s
    // with sigma = 0.5 Hz that is 0.962, 0.857, 0.291, 0.0623.
    for (const std::size_t lag : {8, 16, 32, 48}) {
        const double tau = static_cast<double>(lag) / kStepRate;
        const double theory = std::exp(-2 * kPi * kPi * kSigmaHz * kSigmaHz * tau * tau);
        const Tap r = correlation(lag) / power;
        EXPECT_NEAR(r.real(), theory, 0.03) << "tau " << tau;
        EXPECT_NEAR(r.imag(), 0.0, 0.03) << "tau " << tau;  // no Doppler shift
    }
}

TEST(DopplerTapTest, AmplitudeIsRayleighWithTheAskedMeanPower)
{
    const auto& h = tapRecord();
    double power = 0;
    std::vector<double> below = {0, 0, 0, 0};
    const double limits[] = {0.1, 0.5, 1.0, 2.0};
    for (const Tap& v : h) {
        const double p = std::norm(v);
        power += p;
        for (std::size_t i = 0; i < below.size(); ++i)
            below[i] += p < limits[i] ? 1.0 : 0.0;
    }
    EXPECT_NEAR(power / static_cast<double>(h.size()), 1.0, 0.03);
    // P(|h|^2 < x) = 1 - exp(-x): 0.0952, 0.393, 0.632, 0.865.
    for (std::size_t i = 0; i < below.size(); ++i)
        EXPECT_NEAR(below[i] / static_cast<double>(h.size()), 1 - std::exp(-limits[i]), 0.015) << limits[i];

    // The mean power is what the caller asks: 0.5 for each of two paths.
    DopplerTap half(kStepRate, 10.0, 0.5, 7);  // a 10 Hz spread decorrelates in 0.1 s
    double sum = 0;
    for (int n = 0; n < 100000; ++n)
        sum += std::norm(half.step());
    EXPECT_NEAR(sum / 100000, 0.5, 0.02);
}

TEST(WattersonFadingTest, PathsOfEqualPowerAtTheProfilesDelay)
{
    // CCIR poor: 2 ms at 8000 samples per second is 16 samples.
    modem::WattersonFading poor(8000, modem::kFadingPoor, 3);
    ASSERT_EQ(poor.delaySamples(), 16);
    // A unit impulse every 100 samples: each answer holds the first path's tap at
    // its sample and the second's 16 samples later, nothing between.
    double first = 0, second = 0, cross = 0;
    const int kImpulses = 40000;  // 500 s, about 1000 coherence times of 1 Hz
    for (int i = 0; i < kImpulses; ++i) {
        Tap out[100];
        for (int n = 0; n < 100; ++n)
            out[n] = poor.step(n == 0 ? 1.0 : 0.0);
        for (int n = 0; n < 100; ++n) {
            if (n == 0 || n == 16)
                continue;
            ASSERT_EQ(out[n], Tap(0.0)) << n;
        }
        first += std::norm(out[0]);
        second += std::norm(out[16]);
        cross += (out[0] * std::conj(out[16])).real();
    }
    // Each path has mean power 0.5, and the two are independent. About 1000
    // independent fades: scatter 3 %, tolerance 4 times that.
    EXPECT_NEAR(first / kImpulses, 0.5, 0.06);
    EXPECT_NEAR(second / kImpulses, 0.5, 0.06);
    EXPECT_NEAR(cross / kImpulses, 0.0, 0.06);

    // One path has no echo.
    modem::WattersonFading rayleigh(8000, {1, 2.0, 0.0}, 9);
    EXPECT_NE(rayleigh.step(1.0), Tap(0.0));
    for (int n = 1; n < 1000; ++n)
        ASSERT_EQ(rayleigh.step(0.0), Tap(0.0)) << n;
}

}  // namespace
