// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What a simulated radio path does to a test signal: a sample-clock error, a
// frequency offset, and white Gaussian noise at a given SNR in a 2500 Hz bandwidth,
// seeded so that runs repeat.

#include <cstdint>
#include <limits>

namespace modem {

inline constexpr double kNoiseBandwidth = 2500.0;  // Hz, the SSB channel the SNR refers to
// When noise is added the result is scaled, if need be, to this RMS level so the
// noise peaks of a weak signal are not clipped at 16 bits (about -18 dBFS).
inline constexpr double kNoisyOutputRms = 4096.0;
inline constexpr double kFullScale = 32768.0;  // 16-bit scale of the samples

struct ChannelOptions {
    double snrDb = std::numeric_limits<double>::infinity();  // no noise unless given
    double offsetHz = 0.0;  // added to every frequency of the signal
    double ppm = 0.0;       // the receiving clock runs this many parts per million fast
    std::uint64_t seed = 1;
};

}  // namespace modem
