#include "ModemChannel.h"

#include "ModemArgs.h"
#include "SampleRateConverter.h"
#include "WavFile.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <numbers>
#include <string>

namespace modem {
namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kHilbertHalfSpan = 0.016;  // seconds each side of the centre tap
constexpr double kFullScale = 32768.0;
constexpr double kMaxSnrDb = 100.0;
constexpr double kMaxOffsetHz = 1000.0;
constexpr double kMaxPpm = 10000.0;         // 1 %
constexpr std::size_t kBlockFrames = 4096;  // frames read at a time
constexpr std::size_t kMaxBlockSamples = 65536;  // cap for files with many channels

// With the rates a recording may have, the Hilbert transformer has at most
// 2 x 6144 + 1 taps (at 384000 samples per second).
constexpr long long kMaxHilbertHalfLength = 6144;
static_assert(kHilbertHalfSpan * kMaxRecordingRate <= kMaxHilbertHalfLength);

// h[n] = 2 / (pi n) for odd n, 0 for even n, under a Blackman window. Its half span
// of 16 ms keeps it flat from well below 300 Hz up.
std::vector<double> hilbertTaps(int halfLength)
{
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

int hilbertHalfLength(int rate)
{
    const long long half = std::max(1L, std::lround(kHilbertHalfSpan * rate));
    return static_cast<int>(std::min(half, kMaxHilbertHalfLength));
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
    ChannelPath path(rate, options);
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
    ChannelPath path(rate, options);
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

FrequencyShifter::FrequencyShifter(int rate, double offsetHz)
    : half_(hilbertHalfLength(rate)),
      taps_(hilbertTaps(half_)),
      history_(2 * taps_.size(), 0.0),
      outputIndex_(-half_),
      radiansPerSample_(2 * kPi * offsetHz / rate)
{
}

double FrequencyShifter::step(double x)
{
    const std::size_t length = taps_.size();
    newest_ = newest_ + 1 == length ? 0 : newest_ + 1;
    history_[newest_] = x;
    history_[newest_ + length] = x;
    // window[t], t = 0 .. 2 half, runs from the oldest input to the newest; the
    // output sample m = outputIndex_ stands at t = half, and x[m - k] at t = half - k.
    const double* window = history_.data() + newest_ + 1;
    double quadrature = 0;
    for (int k = -half_ + ((half_ % 2 == 0) ? 1 : 0); k <= half_; k += 2)
        quadrature += taps_[static_cast<std::size_t>(k + half_)] * window[half_ - k];
    const double w = radiansPerSample_ * static_cast<double>(outputIndex_++);
    return window[half_] * std::cos(w) - quadrature * std::sin(w);
}

ChannelPath::ChannelPath(int rate, const ChannelOptions& options)
{
    if (options.ppm != 0.0)
        clock_ = std::make_unique<SampleRateConverter>(1.0 + options.ppm * 1e-6);
    if (options.offsetHz != 0.0) {
        shifter_ = std::make_unique<FrequencyShifter>(rate, options.offsetHz);
        heldBack_ = shifter_->delay();
    }
}

ChannelPath::~ChannelPath() = default;

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
        const double y = shifter_->step(x);
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
    if (std::isnan(scaled))  // no number to convert; the commands refuse such input before
        return 0;
    return static_cast<std::int16_t>(std::clamp(scaled, -32768.0, 32767.0));
}

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
