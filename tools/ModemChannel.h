#pragma once
// msk-modem channel: a test signal as a radio link would pass it -- a sample-clock
// error, a frequency offset, and white Gaussian noise at a given SNR in a 2500 Hz
// bandwidth, seeded so that runs repeat. The recording is streamed block by block,
// so memory stays the same however long it is.

#include <cstdint>
#include <limits>
#include <memory>
#include <random>
#include <vector>

class SampleRateConverter;

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

// Moves every frequency up by offsetHz, as a mistuned SSB radio does: the analytic
// signal x + j H{x} turned by the offset, real part kept. H is a windowed FIR
// Hilbert transformer reaching 16 ms each side, so each output sample comes
// delay() samples after its input.
class FrequencyShifter {
public:
    FrequencyShifter(int rate, double offsetHz);
    // Takes the next input sample; returns the output for the input delay() samples
    // earlier (those before the first sample count as silence).
    double step(double x);
    int delay() const { return half_; }

private:
    int half_;                       // taps each side of the centre
    std::vector<double> taps_;       // 2 half_ + 1, centre at half_
    std::vector<double> history_;    // the last 2 half_ + 1 inputs, stored twice
    std::size_t newest_ = 0;         // where the newest input stands in history_
    std::int64_t outputIndex_;       // of the sample step() returns next
    double radiansPerSample_;
};

// The channel's deterministic part, block by block: the clock error, then the
// frequency offset. Its output has as many samples as the clock makes of the input.
class ChannelPath {
public:
    ChannelPath(int rate, const ChannelOptions& options);
    ~ChannelPath();
    ChannelPath(const ChannelPath&) = delete;
    ChannelPath& operator=(const ChannelPath&) = delete;

    // Takes a block of input (16-bit scale) and replaces out with the samples that
    // are ready; last = true ends the input and lets out everything held back.
    void process(const double* in, std::size_t count, bool last, std::vector<double>& out);

private:
    std::unique_ptr<SampleRateConverter> clock_;
    std::unique_ptr<FrequencyShifter> shifter_;
    int heldBack_ = 0;  // the shifter's outputs still to drop before the first real one
    std::vector<float> clockIn_, clockOut_;
    std::vector<double> clocked_;
};

// White Gaussian noise added sample by sample and the result scaled to 16 bits.
class ChannelNoise {
public:
    // power: the mean square of the path's whole output (16-bit scale).
    ChannelNoise(int rate, double power, const ChannelOptions& options);
    std::int16_t step(double x);

private:
    double sigma_ = 0;
    double scale_ = 1;
    std::mt19937_64 generator_;
    std::normal_distribution<double> noise_{0.0, 1.0};
};

// Passes samples (16-bit scale, at rate samples per second) through the channel.
// A clock error changes the length by the same parts per million. The SNR is
// the signal power measured over the whole (shifted) input against the noise
// power that falls in kNoiseBandwidth.
std::vector<std::int16_t> applyChannel(const std::vector<double>& samples, int rate, const ChannelOptions& options);

// The channel command; argv[0] is "channel". Returns the exit code.
int runChannel(int argc, char** argv);

}  // namespace modem
