// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/ModemDecode.h"

#include "modem/receive/ReceiveChain.h"
#include "modem/varicode/Windows1252.h"
#include "tools/ModemArgs.h"
#include "tools/SampleRateConverter.h"

#include "tools/WavFile.h"

#include <algorithm>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <iostream>
#include <memory>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace modem {
namespace {

constexpr std::size_t kBlockFrames = 4096;      // frames read per call
constexpr std::size_t kMaxBlockSamples = 65536; // cap for files with many channels
constexpr double kMinCentre = 1.0;              // Hz
constexpr double kMaxCentre = 3999.0;           // Hz, below half the capture rate
constexpr long long kMinRate = 1000;            // samples per second
constexpr long long kMaxRate = 384000;          // samples per second

// Passes blocks on at 8000 samples per second, converting when the source runs at
// another rate.
class RateAdapter {
public:
    RateAdapter(double sourceRate, const SampleBlockSink& sink) : sink_(sink)
    {
        const double ratio = kCaptureSampleRate / sourceRate;
        if (sourceRate != kCaptureSampleRate) {
            if (!SampleRateConverter::canConvert(ratio))
                throw IoError("cannot convert a recording at " + std::to_string(sourceRate) +
                              " samples per second");
            converter_ = std::make_unique<SampleRateConverter>(ratio);
        }
    }

    // x: full scale -1..1.
    void push(const float* x, std::size_t count, bool last)
    {
        if (!converter_) {
            samples_.resize(count);
            std::transform(x, x + count, samples_.begin(), toSample16);
        } else {
            converted_.clear();
            converter_->process(x, count, last, converted_);
            samples_.resize(converted_.size());
            std::transform(converted_.begin(), converted_.end(), samples_.begin(), toSample16);
        }
        if (!samples_.empty())
            sink_(samples_.data(), samples_.size());
    }

private:
    const SampleBlockSink& sink_;
    std::unique_ptr<SampleRateConverter> converter_;
    std::vector<float> converted_;
    std::vector<std::int16_t> samples_;
};

void readWav(const std::string& path, const SampleBlockSink& sink)
{
    SF_INFO info{};
    const SndfilePtr file = openForReading(path, info);
    const auto channels = static_cast<std::size_t>(info.channels);
    const std::size_t frames = std::max<std::size_t>(1, std::min(kBlockFrames, kMaxBlockSamples / channels));
    std::vector<float> interleaved(frames * channels);
    std::vector<float> first(frames);
    requireRecordingRate(path, info.samplerate, "decode");
    RateAdapter adapter(info.samplerate, sink);
    std::int64_t position = 0;  // of the block's first sample in the recording
    for (;;) {
        const sf_count_t got = sf_readf_float(file.get(), interleaved.data(), static_cast<sf_count_t>(frames));
        const std::size_t n = got > 0 ? static_cast<std::size_t>(got) : 0;
        for (std::size_t i = 0; i < n; ++i) {
            first[i] = interleaved[i * channels];
            // One NaN would spread through the rate converter and every filter after it.
            if (!std::isfinite(first[i]))
                throw IoError(notFiniteSample(path, first[i], position + static_cast<std::int64_t>(i), info.samplerate));
        }
        position += static_cast<std::int64_t>(n);
        adapter.push(first.data(), n, n == 0);
        if (n == 0)
            break;
    }
    if (sf_error(file.get()) != SF_ERR_NO_ERROR)
        throw IoError("cannot read " + path + ": " + sf_strerror(file.get()));
}

void readRaw(std::istream& in, std::int32_t rate, const SampleBlockSink& sink)
{
    RateAdapter adapter(rate, sink);
    std::vector<char> bytes(kBlockFrames * 2);
    std::vector<float> x(kBlockFrames);
    std::size_t carried = 0;  // a byte left over from an odd-sized read
    for (;;) {
        in.read(bytes.data() + carried, static_cast<std::streamsize>(bytes.size() - carried));
        const std::size_t have = carried + static_cast<std::size_t>(in.gcount());
        const std::size_t count = have / 2;
        for (std::size_t i = 0; i < count; ++i) {
            const auto lo = static_cast<std::uint8_t>(bytes[2 * i]);
            const auto hi = static_cast<std::uint8_t>(bytes[2 * i + 1]);
            x[i] = fromSample16(static_cast<std::int16_t>(static_cast<std::uint16_t>(lo | (hi << 8))));
        }
        carried = have % 2;
        if (carried)
            bytes[0] = bytes[have - 1];
        const bool last = !in;
        adapter.push(x.data(), count, last);
        if (last)
            break;
    }
    if (in.bad())
        throw IoError("cannot read standard input");
}

// The decisions as lines of text: the index of the sample that made each one, then d.
class DecisionTrace : public BitDecisionSink {
public:
    explicit DecisionTrace(std::ostream& out) : out_(out) {}
    void DecideBit(Real d) override
    {
        if (reversed)
            d = -d;
        char line[64];
        const int n = std::snprintf(line, sizeof line, "%" PRId64 " %.9f\n", sampleIndex, static_cast<double>(d));
        out_.write(line, n);
    }
    std::int64_t sampleIndex = 0;
    bool reversed = false;  // the classic chain reverses by turning d around

private:
    std::ostream& out_;
};

// The enhanced chain's decisions with the state after the newest bit.
class EnhancedTrace : public BitDecisionSink {
public:
    EnhancedTrace(std::ostream& out, const std::int64_t& sampleIndex) : out_(out), sampleIndex_(sampleIndex) {}
    void DecideBit(Real d) override
    {
        const EnhancedDemodulator::BitState& s = demodulator->bitState();
        char line[160];
        const int n = std::snprintf(line, sizeof line, "%" PRId64 " %d %.3f %+.3f %+.4f %+.4f %+.3f %.6f %.2f\n", sampleIndex_,
                                    d > 0 ? 1 : 0, static_cast<double>(s.strobe), static_cast<double>(demodulator->afcOffsetHz()),
                                    static_cast<double>(s.phase), static_cast<double>(s.phaseError),
                                    static_cast<double>(s.timingError), static_cast<double>(s.amplitude),
                                    static_cast<double>(demodulator->lineToFloor()));
        out_.write(line, n);
    }
    const EnhancedDemodulator* demodulator = nullptr;

private:
    std::ostream& out_;
    const std::int64_t& sampleIndex_;
};

}  // namespace

DecodeOptions parseDecodeOptions(int argc, char** argv)
{
    DecodeOptions options;
    bool haveInput = false;
    bool inputRateGiven = false;
    CommandLine args(argc, argv);
    while (args.next()) {
        const std::string_view arg = args.argument();
        if (!args.isOption()) {
            if (haveInput)
                throw UsageError("more than one input file");
            options.input = std::string(arg);
            haveInput = true;
        } else if (arg == "--baud") {
            options.settings.tickRate = tickRateForBaud(args.value());
        } else if (arg == "--sync") {
            const std::string_view v = args.value();
            if (v == "slow")
                options.settings.timingGain = kSlowSyncGain;
            else if (v == "fast")
                options.settings.timingGain = kFastSyncGain;
            else
                throw UsageError("--sync must be slow or fast, not '" + std::string(v) + "'");
        } else if (arg == "--centre") {
            options.settings.centreFrequency = parseReal("--centre", args.value(), kMinCentre, kMaxCentre);
        } else if (arg == "--assumed-rate") {
            options.settings.sampleRate =
                static_cast<std::int32_t>(parseInteger("--assumed-rate", args.value(), kMinRate, kMaxRate));
        } else if (arg == "--input-rate") {
            options.inputRate =
                static_cast<std::int32_t>(parseInteger("--input-rate", args.value(), kMinRate, kMaxRate));
            inputRateGiven = true;
        } else if (arg == "--demod") {
            const std::string_view v = args.value();
            if (v == "standard")
                options.settings.demodulator = DemodulatorChoice::Standard;
            else if (v == "enhanced")
                options.settings.demodulator = DemodulatorChoice::Enhanced;
            else
                throw UsageError("--demod must be standard or enhanced, not '" + std::string(v) + "'");
        } else if (arg == "--reverse") {
            options.settings.reverse = true;
        } else if (arg == "--squelch") {
            options.settings.squelch = true;
        } else if (arg == "--trace") {
            options.trace = true;
        } else {
            throw UsageError("unknown option " + std::string(arg));
        }
    }
    if (inputRateGiven && options.input != "-")
        throw UsageError("--input-rate is for raw samples on standard input; a WAV file names its own rate");
    return options;
}

void readRecording(const std::string& path, std::istream& rawInput, std::int32_t rawRate, const SampleBlockSink& sink)
{
    if (path == "-")
        readRaw(rawInput, rawRate, sink);
    else
        readWav(path, sink);
}

void decode(const DecodeOptions& options, std::istream& rawInput, std::ostream& out)
{
    // A recording is decoded by one chain throughout: the other need not run.
    ReceiveChain chain(options.settings, true);
    DecisionTrace trace(out);
    trace.reversed = options.settings.reverse;
    const bool enhanced = options.settings.demodulator == DemodulatorChoice::Enhanced;
    std::function<void(std::int16_t)> demodulate = [&](std::int16_t x) { chain.demodulator.DemodulateSample(x); };
    std::unique_ptr<MskDemodulator> standardTraced;
    std::unique_ptr<EnhancedTrace> enhancedTrace;
    std::unique_ptr<EnhancedDemodulator> enhancedTraced;
    if (options.trace && !enhanced) {
        standardTraced = std::make_unique<MskDemodulator>(chain.settings, trace, nullptr);
        demodulate = [&](std::int16_t x) { standardTraced->DemodulateSample(x); };
    } else if (options.trace) {
        enhancedTrace = std::make_unique<EnhancedTrace>(out, trace.sampleIndex);
        enhancedTraced = std::make_unique<EnhancedDemodulator>(chain.settings, *enhancedTrace, nullptr);
        enhancedTrace->demodulator = enhancedTraced.get();
        demodulate = [&](std::int16_t x) { enhancedTraced->DemodulateSample(x); };
    }
    readRecording(options.input, rawInput, options.inputRate, [&](const std::int16_t* samples, std::size_t count) {
        for (std::size_t i = 0; i < count; ++i, ++trace.sampleIndex)
            demodulate(samples[i]);
    });
    // Text ends with a newline, so a shell's prompt starts on a line of its own.
    if (!options.trace && !chain.text().empty())
        out << windows1252::toUtf8(chain.text()) << (chain.text().back() == '\n' ? "" : "\n");
    out.flush();
    if (!out)
        throw IoError("cannot write to standard output");
}

int runDecode(int argc, char** argv)
{
    const DecodeOptions options = parseDecodeOptions(argc, argv);
#ifdef _WIN32
    // Raw samples are bytes: no line-end translation, no end at a 0x1A byte.
    _setmode(_fileno(stdin), _O_BINARY);
#endif
    std::ios::sync_with_stdio(false);
    decode(options, std::cin, std::cout);
    return kExitOk;
}

}  // namespace modem
