#include "modem/channel/ChannelNoise.h"

#include <algorithm>
#include <cmath>

namespace modem {

ChannelNoise::ChannelNoise(int rate, double power, const ChannelOptions& options) : generator_(options.seed)
{
    // White noise of variance s2 spreads over rate / 2 Hz; kNoiseBandwidth of it
    // counts against the signal: SNR = P / (s2 * 2500 / (rate / 2)).
    if (std::isfinite(options.snrDb) && power > 0) {
        const double variance = power * (rate / 2.0) / kNoiseBandwidth * std::pow(10.0, -options.snrDb / 10.0);
        sigma_ = std::sqrt(variance);
        scale_ = std::min(1.0, kNoisyOutputRms / std::sqrt(power + variance));
    }
}

std::int16_t ChannelNoise::step(double x)
{
    double v = x;
    if (sigma_ > 0)
        v += sigma_ * noise_(generator_);
    const double scaled = std::nearbyint(v * scale_);
    if (std::isnan(scaled))  // no number to convert (the commands refuse such input)
        return 0;
    return static_cast<std::int16_t>(std::clamp(scaled, -32768.0, 32767.0));
}

}  // namespace modem
