#pragma once
// msk-modem channel: a test signal as a radio link would pass it -- a sample-clock
// error, a frequency offset, and white Gaussian noise at a given SNR in a 2500 Hz
// bandwidth, seeded so that runs repeat.

#include <cstdint>
#include <limits>
#include <vector>

namespace modem {

inline constexpr double kNoiseBandwidth = 2500.0;  // Hz, the SSB channel the SNR refers to
// When noise is added the result is scaled, if need be, to this RMS level so the
// noise peaks of a weak signal are not clipped at 16 bits (about -18 dBFS).
inline constexpr double kNoisyOutputRms = 4096.0;

struct ChannelOptions {
    double snrDb = std::numeric_limits<double>::infinity();  // no noise unless given
    double offsetHz = 0.0;  // added to every frequency of the signal
    double ppm = 0.0;       // the receiving clock runs this many parts per million fast
    std::uint64_t seed = 1;
};

// Passes samples (16-bit scale, at rate samples per second) through the channel.
// A clock error changes the length by the same parts per million. The SNR is
// the signal power measured over the whole (shifted) input against the noise
// power that falls in kNoiseBandwidth.
std::vector<std::int16_t> applyChannel(const std::vector<double>& samples, int rate, const ChannelOptions& options);

// The channel command; argv[0] is "channel". Returns the exit code.
int runChannel(int argc, char** argv);

}  // namespace modem
