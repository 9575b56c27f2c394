// SPDX-License-Identifier: GPL-3.0-or-later
// Speed of the receive chain (demodulator, decoder, text pane) at each speed, and
// with the scope at the slowest and fastest; the classic chain alone, the
// enhanced chain alone, and both side by side as the receiver runs them:
// seconds of 8000-per-second audio processed per second of CPU, reported as the
// counter "realtime" (target: at least 1000).
#include "bench/modem/receive/SensitivityText.h"
#include "modem/receive/ReceiveChain.h"
#include "modem/receive/enhanced/EnhancedDemodulator.h"
#include "receiver/SignalDisplay.h"
#include "tools/ModemArgs.h"
#include "tools/ModemEncode.h"
#include "tools/SampleRateConverter.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace {

// The benchmark text as the receiver records it, at 8000 samples per second.
std::vector<std::int16_t> recordedTransmission(const char* baud)
{
    return convertSampleRate(modem::encodeTransmission(kSensitivityText, modem::samplesPerBitForBaud(baud), 2),
                             modem::kEncodeSampleRate, kCaptureSampleRate);
}

void realtimeCounter(benchmark::State& state, const std::vector<std::int16_t>& audio)
{
    const double audioSeconds = static_cast<double>(audio.size()) / kCaptureSampleRate;
    state.counters["realtime"] =
        benchmark::Counter(audioSeconds, benchmark::Counter::kIsIterationInvariantRate);
}

// One chain alone (Demodulator: the classic MskDemodulator or the
// EnhancedDemodulator), without the scope or drawing it every bit as the receiver
// window does.
template <typename Demodulator, bool kWithScope>
void oneChain(benchmark::State& state, const char* baud)
{
    const std::vector<std::int16_t> audio = recordedTransmission(baud);
    ReceiveChain chain;
    chain.settings.tickRate = modem::tickRateForBaud(baud);
    SignalDisplay display;
    Demodulator demodulator(chain.settings, chain.decoder, kWithScope ? &display : nullptr);
    for (auto _ : state) {
        for (std::int16_t x : audio)
            demodulator.DemodulateSample(x);
        benchmark::DoNotOptimize(chain.text().size());
        benchmark::DoNotOptimize(display.image().constBits());
    }
    realtimeCounter(state, audio);
}

// Both chains on every sample, the enhanced one heard: what the receiver runs.
void bothChains(benchmark::State& state, const char* baud)
{
    const std::vector<std::int16_t> audio = recordedTransmission(baud);
    ReceiveChain chain;
    chain.settings.tickRate = modem::tickRateForBaud(baud);
    chain.settings.demodulator = DemodulatorChoice::Enhanced;
    for (auto _ : state) {
        chain.feed(audio.data(), audio.size());
        benchmark::DoNotOptimize(chain.text().size());
    }
    realtimeCounter(state, audio);
}

// The enhanced chain alone behind ReceiveDemodulator, as msk-modem decode runs it
// (the chain it prints, and nothing else).
void heardChainOnly(benchmark::State& state, const char* baud)
{
    const std::vector<std::int16_t> audio = recordedTransmission(baud);
    ReceiverSettings settings;
    settings.tickRate = modem::tickRateForBaud(baud);
    settings.demodulator = DemodulatorChoice::Enhanced;
    ReceiveChain chain(settings, true);
    for (auto _ : state) {
        chain.feed(audio.data(), audio.size());
        benchmark::DoNotOptimize(chain.text().size());
    }
    realtimeCounter(state, audio);
}

// The classic chain alone, as before the enhanced chain existed, and the enhanced
// chain alone, at every speed.
const auto receiveChain = oneChain<MskDemodulator, false>;
const auto enhancedChain = oneChain<EnhancedDemodulator, false>;
const auto receiveChainWithScope = oneChain<MskDemodulator, true>;
const auto enhancedChainWithScope = oneChain<EnhancedDemodulator, true>;

BENCHMARK_CAPTURE(receiveChain, baud31, "31")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(receiveChain, baud63, "63")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(receiveChain, baud125, "125")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(receiveChain, baud250, "250")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(receiveChain, baud500, "500")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(enhancedChain, baud31, "31")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(enhancedChain, baud63, "63")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(enhancedChain, baud125, "125")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(enhancedChain, baud250, "250")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(enhancedChain, baud500, "500")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(bothChains, baud31, "31")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(bothChains, baud500, "500")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(heardChainOnly, baud31, "31")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(heardChainOnly, baud500, "500")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(enhancedChainWithScope, baud31, "31")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(enhancedChainWithScope, baud500, "500")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(receiveChainWithScope, baud31, "31")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(receiveChainWithScope, baud500, "500")->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
