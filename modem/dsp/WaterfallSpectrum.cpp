// SPDX-License-Identifier: GPL-3.0-or-later
#include "modem/dsp/WaterfallSpectrum.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {
// Added to every bin's power so that digital silence has a finite level.
constexpr double kPowerFloor = 1e-12;
constexpr double kMaxBrightness = 255.0;
}  // namespace

WaterfallSpectrum::WaterfallSpectrum(SpectrumLineSink& sink)
    : sink_(sink), fft_(kFftSize / 2, false), window_(kFftSize), history_(kFftSize, 0.0), frame_(kFftSize),
      spectrum_(kFftSize / 2), powerDb_(kBins), floorScratch_(kFloorLastBin - kFloorFirstBin + 1), line_(kBins)
{
    for (int i = 0; i < kFftSize; ++i)
        window_[static_cast<std::size_t>(i)] = 0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * i / kFftSize);
}

void WaterfallSpectrum::AddSample(std::int16_t x)
{
    history_[static_cast<std::size_t>(next_)] = x;
    next_ = (next_ + 1) % kFftSize;
    if (filled_ < kFftSize)
        ++filled_;
    if (++sinceLine_ >= kHopSamples && filled_ == kFftSize) {
        sinceLine_ = 0;
        MakeLine();
    }
}

void WaterfallSpectrum::MakeLine()
{
    // next_ is the oldest sample of the ring.
    for (int i = 0; i < kFftSize; ++i) {
        const auto at = static_cast<std::size_t>((next_ + i) % kFftSize);
        frame_[static_cast<std::size_t>(i)] = history_[at] * window_[static_cast<std::size_t>(i)];
    }
    // A real transform of kFftSize samples: bin 0 carries the DC term in its real
    // part and the half-rate term in its imaginary part.
    fft_.transform_real(frame_.data(), spectrum_.data());
    powerDb_[0] = 10.0 * std::log10(spectrum_[0].real() * spectrum_[0].real() + kPowerFloor);
    for (int k = 1; k < kBins; ++k)
        powerDb_[static_cast<std::size_t>(k)] = 10.0 * std::log10(std::norm(spectrum_[static_cast<std::size_t>(k)]) + kPowerFloor);

    std::copy(powerDb_.begin() + kFloorFirstBin, powerDb_.begin() + kFloorLastBin + 1, floorScratch_.begin());
    const auto middle = floorScratch_.begin() + static_cast<std::ptrdiff_t>(floorScratch_.size() / 2);
    std::nth_element(floorScratch_.begin(), middle, floorScratch_.end());
    if (floorKnown_) {
        floorDb_ += kFloorSmoothing * (*middle - floorDb_);
    } else {
        floorDb_ = *middle;
        floorKnown_ = true;
    }

    const double dark = floorDb_ - kDarkBelowFloorDb;
    const double scale = kMaxBrightness / (kDarkBelowFloorDb + kFullAboveFloorDb);
    for (int k = 0; k < kBins; ++k) {
        const double b = (powerDb_[static_cast<std::size_t>(k)] - dark) * scale;
        line_[static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(std::clamp(b, 0.0, kMaxBrightness));
    }
    sink_.AddSpectrumLine(line_.data(), kBins);
}
