// SPDX-License-Identifier: GPL-3.0-or-later
// Cost of the transmit chain's per-bit work: one bit-queue request (with a long
// entry text waiting) and one tone fill, at each speed.
#include "modem/transmit/MskSynthesizer.h"
#include "modem/transmit/TxBitQueue.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

namespace {

struct LongEntry : TxTextSource {
    std::string text;
    std::int64_t length() const override { return static_cast<std::int64_t>(text.size()); }
    std::uint8_t byteAt(std::int64_t i) const override { return static_cast<std::uint8_t>(text[static_cast<std::size_t>(i)]); }
};

struct NoStatus : TxStatusSink {
    void setStatusText(const std::string&) override {}
};

// A 1 MB entry: the operator has pasted a long text and the queue follows it.
void BM_NextBitWithOneMegabyteEntry(benchmark::State& state)
{
    LongEntry entry;
    for (int i = 0; entry.text.size() < 1'000'000; ++i)
        entry.text += "CQ CQ CQ de DL1ABC DL1ABC pse k\r\n";
    NoStatus status;
    // Every timed request moves one more character of the entry: once the whole
    // text is queued, a fresh queue starts over on it.
    auto queue = std::make_unique<TxBitQueue>(entry, status);
    for (auto _ : state) {
        benchmark::DoNotOptimize(queue->nextBit());
        if (queue->textTaken() == entry.length()) {
            state.PauseTiming();
            queue = std::make_unique<TxBitQueue>(entry, status);
            state.ResumeTiming();
        }
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_NextBitWithOneMegabyteEntry);

void BM_FillBit(benchmark::State& state)
{
    MskSynthesizer synth;
    synth.setSamplesPerBit(static_cast<int>(state.range(0)));
    std::vector<std::int16_t> buffer(MskSynthesizer::kMaxSamplesPerBit);
    int bit = 0;
    for (auto _ : state) {
        synth.fillBit(buffer.data(), bit ^= 1);
        benchmark::ClobberMemory();
    }
    // Samples per second of CPU: 32000 of them make one second of signal.
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_FillBit)->Arg(1024)->Arg(256)->Arg(64);

}  // namespace

BENCHMARK_MAIN();
