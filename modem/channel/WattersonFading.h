// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Sky-wave fading on the analytic signal: the sum of one or two paths, each the
// signal times its own DopplerTap, the second delayed by the profile's delay
// (rounded to whole samples). The taps' powers add up to 1, so the mean power of
// the signal is kept and an SNR set beforehand is the average SNR.

#include "modem/channel/ChannelOptions.h"
#include "modem/channel/DopplerTap.h"

#include <complex>
#include <cstdint>
#include <optional>
#include <vector>

namespace modem {

class WattersonFading {
public:
    // profile.paths is 1 or 2 and profile.spreadHz > 0.
    WattersonFading(int rate, const FadingProfile& profile, std::uint64_t seed);
    // The faded analytic sample for the next analytic input sample.
    std::complex<double> step(std::complex<double> x);
    int delaySamples() const { return static_cast<int>(delayed_.size()) - 1; }

private:
    DopplerTap first_;
    std::optional<DopplerTap> second_;
    std::vector<std::complex<double>> delayed_;  // the last delay + 1 inputs, a ring
    std::size_t newest_ = 0;
};

}  // namespace modem
