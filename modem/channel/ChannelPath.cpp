// SPDX-License-Identifier: GPL-3.0-or-later
#include "modem/channel/ChannelPath.h"

#include <algorithm>

namespace modem {

ChannelPath::ChannelPath(int rate, const ChannelOptions& options, std::unique_ptr<Resampler> clock)
    : clock_(std::move(clock))
{
    if (options.offsetHz != 0.0 || options.driftHzPerSecond != 0.0 || options.fading.paths > 0) {
        shifter_ = std::make_unique<FrequencyShifter>(rate, options.offsetHz, options.driftHzPerSecond);
        heldBack_ = shifter_->delay();
    }
    if (options.fading.paths > 0)
        fading_ = std::make_unique<WattersonFading>(rate, options.fading, options.seed);
}

void ChannelPath::process(const double* in, std::size_t count, bool last, std::vector<double>& out)
{
    if (clock_) {
        clockIn_.resize(count);
        std::transform(in, in + count, clockIn_.begin(), [](double v) { return static_cast<float>(v / kFullScale); });
        clockOut_.clear();
        clock_->process(clockIn_.data(), count, last, clockOut_);
        clocked_.resize(clockOut_.size());
        std::transform(clockOut_.begin(), clockOut_.end(), clocked_.begin(), [](float v) { return v * kFullScale; });
        in = clocked_.data();
        count = clocked_.size();
    }
    out.clear();
    if (!shifter_) {
        out.assign(in, in + count);
        return;
    }
    const auto shift = [&](double x) {
        const double y = fading_ ? fading_->step(shifter_->stepAnalytic(x)).real() : shifter_->step(x);
        if (heldBack_ > 0)
            --heldBack_;
        else
            out.push_back(y);
    };
    for (std::size_t i = 0; i < count; ++i)
        shift(in[i]);
    if (last)  // the inputs after the end are silence
        for (int i = 0; i < shifter_->delay(); ++i)
            shift(0.0);
}

}  // namespace modem
