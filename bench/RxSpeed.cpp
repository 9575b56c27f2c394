// Speed of the receive chain (demodulator, decoder, text pane) at each speed, and
// with the scope at the slowest and fastest:
// seconds of 8000-per-second audio processed per second of CPU, reported as the
// counter "realtime" (target: at least 1000).
#include "ModemArgs.h"
#include "ModemEncode.h"
#include "ReceiveChain.h"
#include "SampleRateConverter.h"
#include "SensitivityText.h"
#include "SignalDisplay.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace {

// The benchmark text as the receiver records it, at 8000 samples per second.
std::vector<std::int16_t> recordedTransmission(const char* baud)
{
    return convertSampleRate(modem::encodeTransmission(kSensitivityText, modem::samplesPerBitForBaud(baud), 2),
                             modem::kEncodeSampleRate, kCaptureSampleRate);
}

void receiveChain(benchmark::State& state, const char* baud)
{
    const std::vector<std::int16_t> audio = recordedTransmission(baud);
    ReceiveChain chain;
    chain.settings.tickRate = modem::tickRateForBaud(baud);
    for (auto _ : state) {
        chain.feed(audio.data(), audio.size());
        benchmark::DoNotOptimize(chain.text().size());
    }
    const double audioSeconds = static_cast<double>(audio.size()) / kCaptureSampleRate;
    state.counters["realtime"] =
        benchmark::Counter(audioSeconds, benchmark::Counter::kIsIterationInvariantRate);
}

// The same with the scope drawing every bit, as in the receiver window.
void receiveChainWithScope(benchmark::State& state, const char* baud)
{
    const std::vector<std::int16_t> audio = recordedTransmission(baud);
    ReceiveChain chain;
    chain.settings.tickRate = modem::tickRateForBaud(baud);
    SignalDisplay display;
    MskDemodulator demodulator(chain.settings, chain.decoder, &display);
    for (auto _ : state) {
        for (std::int16_t x : audio)
            demodulator.DemodulateSample(x);
        benchmark::DoNotOptimize(display.image().constBits());
    }
    const double audioSeconds = static_cast<double>(audio.size()) / kCaptureSampleRate;
    state.counters["realtime"] =
        benchmark::Counter(audioSeconds, benchmark::Counter::kIsIterationInvariantRate);
}

BENCHMARK_CAPTURE(receiveChain, baud31, "31")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(receiveChain, baud63, "63")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(receiveChain, baud125, "125")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(receiveChain, baud250, "250")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(receiveChain, baud500, "500")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(receiveChainWithScope, baud31, "31")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(receiveChainWithScope, baud500, "500")->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
