// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Signals of a real band, made exactly in the test: an MSK station whose tone
// spacing, frequency drift and level are chosen freely, and what else the band
// holds -- a steady carrier, another station, white noise, bursts of static.
// Everything is at the receiver's 8000 samples per second, summed as doubles on
// the 16-bit scale and rounded once at the end.

#include "modem/transmit/OnAirBits.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <random>
#include <string_view>
#include <vector>

namespace bandtest {

inline constexpr int kRate = 8000;               // samples per second
inline constexpr double kNoiseBandwidth = 2500;  // Hz that an SNR refers to

// The bits a transmitter sends for a text, with two idle units after it.
inline std::vector<int> onAirBits(std::string_view text)
{
    return ::onAirBits(text, 2);
}

struct Station {
    double bitRate = 31.25;         // bits per second
    double toneOffsetHz = 7.5625;   // each tone's distance from the centre
    double centreHz = 1000;         // at the first sample
    double driftHzPerSecond = 0;    // the centre moves by this much a second
    double peak = 10000;            // 16-bit scale
    double startPhase = 0;          // radians
};

// A phase-continuous two-tone signal: a 1 bit on the lower tone, a 0 on the upper.
inline std::vector<double> msk(const std::vector<int>& bits, const Station& s)
{
    const auto perBit = static_cast<std::size_t>(std::lround(kRate / s.bitRate));
    std::vector<double> x(bits.size() * perBit);
    double phase = s.startPhase;
    for (std::size_t n = 0; n < x.size(); ++n) {
        const double t = static_cast<double>(n) / kRate;
        const double hz = s.centreHz + s.driftHzPerSecond * t + (bits[n / perBit] ? -s.toneOffsetHz : s.toneOffsetHz);
        x[n] = s.peak * std::cos(phase);
        phase = std::fmod(phase + 2 * std::numbers::pi * hz / kRate, 2 * std::numbers::pi);
    }
    return x;
}

// Silence of this many seconds ahead of x.
inline std::vector<double> afterSilence(double seconds, const std::vector<double>& x)
{
    std::vector<double> y(static_cast<std::size_t>(std::lround(seconds * kRate)), 0.0);
    y.insert(y.end(), x.begin(), x.end());
    return y;
}

// y added into x from sample `from` on (as far as x reaches).
inline void mix(std::vector<double>& x, const std::vector<double>& y, std::size_t from = 0)
{
    for (std::size_t n = from; n < x.size() && n - from < y.size(); ++n)
        x[n] += y[n - from];
}

inline void addCarrier(std::vector<double>& x, double hz, double peak)
{
    for (std::size_t n = 0; n < x.size(); ++n)
        x[n] += peak * std::sin(2 * std::numbers::pi * hz * static_cast<double>(n) / kRate + 0.3);
}

// White Gaussian noise of this RMS (16-bit scale).
inline void addNoise(std::vector<double>& x, double rms, std::uint64_t seed)
{
    std::mt19937_64 generator(seed);
    std::normal_distribution<double> noise(0.0, rms);
    for (double& v : x)
        v += noise(generator);
}

// The noise RMS that puts a station of this peak at snrDb in 2500 Hz: the
// station's power peak^2 / 2 against the noise's share of its 4000 Hz band.
inline double noiseRmsFor(double peak, double snrDb)
{
    const double noisePower = peak * peak / 2 / std::pow(10.0, snrDb / 10) * (kRate / 2.0) / kNoiseBandwidth;
    return std::sqrt(noisePower);
}

// Bursts of static: every `period` samples from `first` on, `length` samples of
// noise of this RMS.
inline void addBursts(std::vector<double>& x, std::size_t first, std::size_t period, std::size_t length, double rms,
                      std::uint64_t seed)
{
    std::mt19937_64 generator(seed);
    std::normal_distribution<double> noise(0.0, rms);
    for (std::size_t start = first; start < x.size(); start += period)
        for (std::size_t n = start; n < std::min(x.size(), start + length); ++n)
            x[n] += noise(generator);
}

// As the sound card records it: brought down, if need be, to an RMS of 4096
// (about -18 dBFS, as a receiver's level is set) so that noise peaks are not
// clipped, and rounded to 16 bits.
inline std::vector<std::int16_t> toSamples(const std::vector<double>& x)
{
    constexpr double kRecordedRms = 4096;
    double power = 0;
    for (double v : x)
        power += v * v;
    const double rms = x.empty() ? 0 : std::sqrt(power / static_cast<double>(x.size()));
    const double scale = rms > kRecordedRms ? kRecordedRms / rms : 1.0;
    std::vector<std::int16_t> s(x.size());
    std::transform(x.begin(), x.end(), s.begin(), [scale](double v) {
        return static_cast<std::int16_t>(std::clamp(std::nearbyint(v * scale), -32768.0, 32767.0));
    });
    return s;
}

}  // namespace bandtest
