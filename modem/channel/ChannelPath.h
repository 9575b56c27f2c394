// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The wanted signal's way to the receiver, block by block: the clock error, then
// the frequency offset and drift, then the fading. Its output has as many samples
// as the clock makes of the input.

#include "modem/channel/ChannelOptions.h"
#include "modem/channel/FrequencyShifter.h"
#include "modem/channel/Resampler.h"
#include "modem/channel/WattersonFading.h"

#include <cstddef>
#include <memory>
#include <vector>

namespace modem {

class ChannelPath {
public:
    // clock: converts by 1 + ppm / 10^6 when options.ppm is not 0 (null otherwise).
    ChannelPath(int rate, const ChannelOptions& options, std::unique_ptr<Resampler> clock);
    ChannelPath(const ChannelPath&) = delete;
    ChannelPath& operator=(const ChannelPath&) = delete;

    // Takes a block of input (16-bit scale) and replaces out with the samples that
    // are ready; last = true ends the input and lets out everything held back.
    void process(const double* in, std::size_t count, bool last, std::vector<double>& out);

private:
    std::unique_ptr<Resampler> clock_;
    std::unique_ptr<FrequencyShifter> shifter_;
    std::unique_ptr<WattersonFading> fading_;  // on the shifter's analytic output
    int heldBack_ = 0;  // the shifter's outputs still to drop before the first real one
    std::vector<float> clockIn_, clockOut_;
    std::vector<double> clocked_;
};

}  // namespace modem
