#include "tools/ModemChannel.h"

#include "tools/ModemArgs.h"
#include "tools/SampleRateConverter.h"
#include "tools/WavFile.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <numbers>
#include <string>

namespace modem {
namespace {

constexpr std::size_t kBlockFrames = 4096;  // frames read at a time
constexpr std::size_t kMaxBlockSamples = 65536;  // cap for files with many channels
constexpr double kMaxSnrDb = 100.0;
constexpr double kMaxOffsetHz = 1000.0;
constexpr double kMaxPpm = 10000.0;         // 1 %
static_assert(kMaxRecordingRate <= FrequencyShifter::kMaxRate);

// libsamplerate as the path's sample clock.
class ClockConverter : public Resampler {
public:
    explicit ClockConverter(double ratio) : converter_(ratio) {}
    void process(const float* in, std::size_t count, bool last, std::vector<float>& out) override
    {
        converter_.process(in, count, last, out);
    }

private:
    SampleRateConverter converter_;
};

// The path of the options, with a sample clock when they set a clock error.
ChannelPath makePath(int rate, const ChannelOptions& options)
{
    std::unique_ptr<Resampler> clock;
    if (options.ppm != 0.0)
        clock = std::make_unique<ClockConverter>(1.0 + options.ppm * 1e-6);
    return ChannelPath(rate, options, std::move(clock));
}

// The first channel of a recording, block by block at 16-bit scale (from its start
// again when rewind); the last call has no samples. IoError when the file cannot be
// read to its end.
void readBlocks(SNDFILE* file, const SF_INFO& info, const std::string& path, bool rewind,
                const std::function<void(const double*, std::size_t, bool)>& block)
{
    if (rewind && sf_seek(file, 0, SEEK_SET) != 0)
        throw IoError("cannot read " + path + " again: " + sf_strerror(file));
    const auto channels = static_cast<std::size_t>(info.channels);
    const std::size_t frames = std::max<std::size_t>(1, std::min(kBlockFrames, kMaxBlockSamples / channels));
    std::vector<double> interleaved(frames * channels);
    std::vector<double> first(frames);
    std::int64_t position = 0;  // of the block's first sample in the recording
    for (;;) {
        const sf_count_t got = sf_readf_double(file, interleaved.data(), static_cast<sf_count_t>(frames));
        const std::size_t n = got > 0 ? static_cast<std::size_t>(got) : 0;
        for (std::size_t i = 0; i < n; ++i) {
            first[i] = interleaved[i * channels] * kFullScale;
            if (!std::isfinite(first[i]))
                throw IoError(notFiniteSample(path, interleaved[i * channels], position + static_cast<std::int64_t>(i),
                                              info.samplerate));
        }
        position += static_cast<std::int64_t>(n);
        block(first.data(), n, n == 0);
        if (n == 0)
            break;
    }
    if (sf_error(file) != SF_ERR_NO_ERROR)
        throw IoError("cannot read " + path + ": " + sf_strerror(file));
}

// Samples from memory in the blocks a file would give.
void memoryBlocks(const std::vector<double>& samples, const std::function<void(const double*, std::size_t, bool)>& block)
{
    for (std::size_t i = 0; i < samples.size(); i += kBlockFrames)
        block(samples.data() + i, std::min(kBlockFrames, samples.size() - i), false);
    block(samples.data(), 0, true);
}

using BlockReader = std::function<void(const std::function<void(const double*, std::size_t, bool)>&)>;

// The mean square of the path's output over the whole recording (0 for none).
double pathPower(const BlockReader& read, int rate, const ChannelOptions& options)
{
    ChannelPath path = makePath(rate, options);
    std::vector<double> out;
    double sum = 0;
    std::int64_t count = 0;
    read([&](const double* in, std::size_t n, bool last) {
        path.process(in, n, last, out);
        for (double v : out)
            sum += v * v;
        count += static_cast<std::int64_t>(out.size());
    });
    return count == 0 ? 0.0 : sum / static_cast<double>(count);
}

// The whole channel: the path, measured first when noise is to be added, then the
// path again with the noise; write receives the 16-bit result block by block.
void runLink(const BlockReader& read, int rate, const ChannelOptions& options,
             const std::function<void(const std::int16_t*, std::size_t)>& write)
{
    const double power = std::isfinite(options.snrDb) ? pathPower(read, rate, options) : 0.0;
    if (!std::isfinite(power))  // samples near double's limits, squared
        throw IoError("the recording is too strong to measure its power");
    ChannelPath path = makePath(rate, options);
    ChannelNoise noise(rate, power, options);
    std::vector<double> out;
    std::vector<std::int16_t> samples;
    read([&](const double* in, std::size_t n, bool last) {
        path.process(in, n, last, out);
        samples.resize(out.size());
        std::transform(out.begin(), out.end(), samples.begin(), [&](double v) { return noise.step(v); });
        if (!samples.empty())
            write(samples.data(), samples.size());
    });
}

}  // namespace

std::vector<std::int16_t> applyChannel(const std::vector<double>& samples, int rate, const ChannelOptions& options)
{
    std::vector<std::int16_t> out;
    runLink([&](const auto& block) { memoryBlocks(samples, block); }, rate, options,
            [&](const std::int16_t* y, std::size_t n) { out.insert(out.end(), y, y + n); });
    return out;
}

int runChannel(int argc, char** argv)
{
    ChannelOptions options;
    bool seedGiven = false;
    std::vector<std::string> files;
    CommandLine args(argc, argv);
    while (args.next()) {
        const std::string_view arg = args.argument();
        if (!args.isOption()) {
            files.emplace_back(arg);
        } else if (arg == "--snr") {
            options.snrDb = parseReal("--snr", args.value(), -kMaxSnrDb, kMaxSnrDb);
        } else if (arg == "--offset") {
            options.offsetHz = parseReal("--offset", args.value(), -kMaxOffsetHz, kMaxOffsetHz);
        } else if (arg == "--ppm") {
            options.ppm = parseReal("--ppm", args.value(), -kMaxPpm, kMaxPpm);
        } else if (arg == "--seed") {
            options.seed = static_cast<std::uint64_t>(
                parseInteger("--seed", args.value(), 0, std::numeric_limits<long long>::max()));
            seedGiven = true;
        } else {
            throw UsageError("unknown option " + std::string(arg));
        }
    }
    if (files.size() != 2)
        throw UsageError("needs an input and an output WAV file");
    const bool noisy = std::isfinite(options.snrDb);
    if (seedGiven && !noisy)
        throw UsageError("--seed chooses the noise: it needs --snr");
    const std::string& in = files[0];
    if (noisy && in == "-")
        throw UsageError("--snr needs IN to be a file: the signal power is measured over the whole "
                         "recording before the noise is added");

    SF_INFO info{};
    const SndfilePtr file = openForReading(in, info);
    const int rate = info.samplerate;
    requireRecordingRate(in, rate, "channel");
    if (options.offsetHz != 0.0 && std::abs(options.offsetHz) >= rate / 2.0)
        throw IoError(in + " has " + std::to_string(rate) + " samples per second: an offset must stay below " +
                      "half of that");

    WavWriter out(files[1], rate, identityOf(in));
    int passes = 0;
    runLink([&](const auto& block) { readBlocks(file.get(), info, in, passes++ > 0, block); }, rate, options,
            [&](const std::int16_t* y, std::size_t n) { out.write(y, n); });
    out.commit();
    return kExitOk;
}

}  // namespace modem
