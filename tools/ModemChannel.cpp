#include "ModemChannel.h"

#include "ModemArgs.h"
#include "SampleRateConverter.h"

#include "WavFile.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>
#include <random>
#include <string>

namespace modem {
namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kHilbertHalfSpan = 0.016;  // seconds each side of the centre tap
constexpr double kFullScale = 32768.0;
constexpr double kMaxSnrDb = 100.0;
constexpr double kMaxOffsetHz = 1000.0;
constexpr double kMaxPpm = 10000.0;        // 1 %
constexpr std::size_t kBlockFrames = 4096;

// A windowed (Blackman) FIR Hilbert transformer: h[n] = 2 / (pi n) for odd n, 0 for
// even n. Its half span of 16 ms keeps it flat from well below 300 Hz up.
std::vector<double> hilbertTaps(int rate, int& halfLength)
{
    halfLength = std::max(1, static_cast<int>(std::lround(kHilbertHalfSpan * rate)));
    const int length = 2 * halfLength + 1;
    std::vector<double> h(static_cast<std::size_t>(length), 0.0);
    for (int n = -halfLength; n <= halfLength; ++n) {
        if (n % 2 == 0)
            continue;
        const double t = static_cast<double>(n + halfLength) / (length - 1);  // 0..1
        const double window = 0.42 - 0.5 * std::cos(2 * kPi * t) + 0.08 * std::cos(4 * kPi * t);
        h[static_cast<std::size_t>(n + halfLength)] = 2.0 / (kPi * n) * window;
    }
    return h;
}

// Moves every frequency up by offsetHz: the analytic signal x + j H{x} turned by
// the offset, real part kept (single-sideband mixing, as a mistuned radio does).
std::vector<double> shiftFrequency(const std::vector<double>& x, int rate, double offsetHz)
{
    int half = 0;
    const std::vector<double> h = hilbertTaps(rate, half);
    const auto size = static_cast<std::ptrdiff_t>(x.size());
    std::vector<double> y(x.size());
    const double step = 2 * kPi * offsetHz / rate;  // radians per sample
    for (std::ptrdiff_t n = 0; n < size; ++n) {
        double quadrature = 0;
        for (int k = -half; k <= half; k += 1) {
            const std::ptrdiff_t m = n - k;
            if (k % 2 != 0 && m >= 0 && m < size)
                quadrature += h[static_cast<std::size_t>(k + half)] * x[static_cast<std::size_t>(m)];
        }
        const double w = step * static_cast<double>(n);
        y[static_cast<std::size_t>(n)] = x[static_cast<std::size_t>(n)] * std::cos(w) - quadrature * std::sin(w);
    }
    return y;
}

std::vector<double> changeClock(const std::vector<double>& x, double ppm)
{
    SampleRateConverter converter(1.0 + ppm * 1e-6);
    std::vector<float> in(x.size());
    std::transform(x.begin(), x.end(), in.begin(), [](double v) { return static_cast<float>(v / kFullScale); });
    std::vector<float> out;
    converter.process(in.data(), in.size(), true, out);
    std::vector<double> y(out.size());
    std::transform(out.begin(), out.end(), y.begin(), [](float v) { return v * kFullScale; });
    return y;
}

std::vector<double> readWav(const std::string& path, int& rate)
{
    SF_INFO info{};
    const SndfilePtr file = openForReading(path, info);
    rate = info.samplerate;
    const auto channels = static_cast<std::size_t>(info.channels);
    const std::size_t frames = std::max<std::size_t>(1, kBlockFrames * 16 / channels);
    std::vector<double> block(frames * channels);
    std::vector<double> samples;
    for (;;) {
        const sf_count_t got = sf_readf_double(file.get(), block.data(), static_cast<sf_count_t>(frames));
        if (got <= 0)
            break;
        for (sf_count_t i = 0; i < got; ++i)
            samples.push_back(block[static_cast<std::size_t>(i) * channels] * kFullScale);
    }
    return samples;
}

}  // namespace

std::vector<std::int16_t> applyChannel(const std::vector<double>& samples, int rate, const ChannelOptions& options)
{
    std::vector<double> x = options.ppm != 0.0 ? changeClock(samples, options.ppm) : samples;
    if (options.offsetHz != 0.0)
        x = shiftFrequency(x, rate, options.offsetHz);

    double power = 0;
    for (double v : x)
        power += v * v;
    power = x.empty() ? 0.0 : power / static_cast<double>(x.size());

    // White noise of variance s2 spreads over rate / 2 Hz; kNoiseBandwidth of it
    // counts against the signal: SNR = P / (s2 * 2500 / (rate / 2)).
    double sigma = 0;
    double scale = 1;
    if (std::isfinite(options.snrDb) && power > 0) {
        const double variance = power * (rate / 2.0) / kNoiseBandwidth * std::pow(10.0, -options.snrDb / 10.0);
        sigma = std::sqrt(variance);
        scale = std::min(1.0, kNoisyOutputRms / std::sqrt(power + variance));
    }
    std::mt19937_64 generator(options.seed);
    std::normal_distribution<double> noise(0.0, 1.0);
    std::vector<std::int16_t> out(x.size());
    for (std::size_t i = 0; i < x.size(); ++i) {
        double v = x[i];
        if (sigma > 0)
            v += sigma * noise(generator);
        out[i] = static_cast<std::int16_t>(std::clamp(std::nearbyint(v * scale), -32768.0, 32767.0));
    }
    return out;
}

int runChannel(int argc, char** argv)
{
    ChannelOptions options;
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--snr")
            options.snrDb = parseReal("--snr", optionValue(argc, argv, i), -kMaxSnrDb, kMaxSnrDb);
        else if (arg == "--offset")
            options.offsetHz = parseReal("--offset", optionValue(argc, argv, i), -kMaxOffsetHz, kMaxOffsetHz);
        else if (arg == "--ppm")
            options.ppm = parseReal("--ppm", optionValue(argc, argv, i), -kMaxPpm, kMaxPpm);
        else if (arg == "--seed")
            options.seed = static_cast<std::uint64_t>(
                parseInteger("--seed", optionValue(argc, argv, i), 0, std::numeric_limits<long long>::max()));
        else if (arg.size() > 1 && arg[0] == '-')
            throw UsageError("unknown option " + std::string(arg));
        else
            files.emplace_back(arg);
    }
    if (files.size() != 2)
        throw UsageError("needs an input and an output WAV file");
    int rate = 0;
    const std::vector<double> samples = readWav(files[0], rate);
    if (options.offsetHz != 0.0 && std::abs(options.offsetHz) >= rate / 2.0)
        throw UsageError("--offset must stay below half the sample rate");
    writeWav(files[1], rate, applyChannel(samples, rate, options));
    return kExitOk;
}

}  // namespace modem
