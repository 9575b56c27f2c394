// SPDX-License-Identifier: GPL-3.0-or-later
#include "modem/channel/DopplerTap.h"

#include <cmath>
#include <numbers>

namespace modem {
namespace {

// The filter reaches 32 tap samples each side: there its impulse response
// exp(-4 pi^2 sigma^2 t^2), at t = 32 / (64 sigma), is exp(-pi^2) = 5e-5.
constexpr int kShapeHalfLength = 32;

// The impulse response whose power spectrum is exp(-f^2 / (2 sigma^2)): its
// square root exp(-f^2 / (4 sigma^2)) transforms to exp(-4 pi^2 sigma^2 t^2). In
// tap samples t = k / (64 sigma), so the exponent is -(pi k / 32)^2, the same for
// every sigma. Scaled so that unit-power white input gives meanPower out.
std::vector<double> gaussianShape(double meanPower)
{
    std::vector<double> h(2 * kShapeHalfLength + 1);
    double energy = 0;
    for (int k = -kShapeHalfLength; k <= kShapeHalfLength; ++k) {
        const double x = std::numbers::pi * k / (DopplerTap::kTapRatePerSigma / 2.0);
        const double v = std::exp(-x * x);
        h[static_cast<std::size_t>(k + kShapeHalfLength)] = v;
        energy += v * v;
    }
    for (double& v : h)
        v *= std::sqrt(meanPower / energy);
    return h;
}

}  // namespace

DopplerTap::DopplerTap(double sampleRate, double spreadHz, double meanPower, std::uint64_t seed)
    : shape_(gaussianShape(meanPower)),
      white_(2 * shape_.size()),
      generator_(seed),
      normal_(0.0, std::sqrt(0.5)),
      advance_(kTapRatePerSigma * (spreadHz / 2.0) / sampleRate)
{
    // Fill the filter with noise first, so the tap is stationary from its first step.
    for (std::size_t i = 0; i + 1 < shape_.size(); ++i)
        nextTapSample();
    previous_ = nextTapSample();
    next_ = nextTapSample();
}

std::complex<double> DopplerTap::nextTapSample()
{
    const std::size_t length = shape_.size();
    newest_ = newest_ + 1 == length ? 0 : newest_ + 1;
    const std::complex<double> w(normal_(generator_), normal_(generator_));
    white_[newest_] = w;
    white_[newest_ + length] = w;
    const std::complex<double>* window = white_.data() + newest_ + 1;  // oldest first
    std::complex<double> sum = 0;
    for (std::size_t k = 0; k < length; ++k)
        sum += shape_[k] * window[k];
    return sum;
}

std::complex<double> DopplerTap::step()
{
    const std::complex<double> tap = previous_ + position_ * (next_ - previous_);
    position_ += advance_;
    while (position_ >= 1.0) {
        position_ -= 1.0;
        previous_ = next_;
        next_ = nextTapSample();
    }
    return tap;
}

}  // namespace modem
