// SPDX-License-Identifier: GPL-3.0-or-later
#include "modem/channel/WattersonFading.h"

#include <cmath>

namespace modem {
namespace {

double pathPower(const FadingProfile& profile) { return profile.paths == 2 ? 0.5 : 1.0; }

}  // namespace

WattersonFading::WattersonFading(int rate, const FadingProfile& profile, std::uint64_t seed)
    : first_(rate, profile.spreadHz, pathPower(profile), streamSeed(seed, RandomStream::FirstPath)),
      delayed_(static_cast<std::size_t>(std::lround(profile.delaySeconds * rate)) + 1)
{
    if (profile.paths == 2)
        second_.emplace(rate, profile.spreadHz, pathPower(profile), streamSeed(seed, RandomStream::SecondPath));
}

std::complex<double> WattersonFading::step(std::complex<double> x)
{
    std::complex<double> y = first_.step() * x;
    if (second_) {
        // The ring holds delay + 1 samples: the slot after the newest is the oldest,
        // the input delay samples ago.
        newest_ = newest_ + 1 == delayed_.size() ? 0 : newest_ + 1;
        delayed_[newest_] = x;
        const std::size_t oldest = newest_ + 1 == delayed_.size() ? 0 : newest_ + 1;
        y += second_->step() * delayed_[oldest];
    }
    return y;
}

}  // namespace modem
