// SPDX-License-Identifier: GPL-3.0-or-later
// Cost of the waterfall at its ten lines a second: one second of 8000-per-second
// noise through the spectrum alone, and through the spectrum into the waterfall
// window with each line drawn at 600 x 260 pixels. One iteration is one second of
// audio, so its CPU time is the share of a core: 10 ms per iteration is 1 %
// (target: at most 2 %, 20 ms).
#include "modem/dsp/WaterfallSpectrum.h"
#include "receiver/WaterfallWindow.h"

#include <QApplication>
#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <random>
#include <vector>

namespace {

constexpr int kSampleRate = 8000;  // samples per second the card records
constexpr int kWidth = 600;        // pixels of the drawn waterfall
constexpr int kHeight = 260;

std::vector<std::int16_t> OneSecondOfNoise()
{
    std::mt19937 random(3);
    std::normal_distribution<double> noise(0.0, 1000.0);
    std::vector<std::int16_t> samples(kSampleRate);
    for (std::int16_t& s : samples)
        s = static_cast<std::int16_t>(noise(random));
    return samples;
}

struct DiscardingSink : SpectrumLineSink {
    int lines = 0;
    void AddSpectrumLine(const std::uint8_t* brightness, int) override
    {
        benchmark::DoNotOptimize(brightness[0]);
        ++lines;
    }
};


// Each line drawn as a repaint would draw it: the whole picture with its marks.
class DrawnWaterfall : public SpectrumLineSink {
public:
    DrawnWaterfall() : frame_(kWidth, kHeight, QImage::Format_RGB32) { window_.resize(kWidth, kHeight); }
    void AddSpectrumLine(const std::uint8_t* brightness, int bins) override
    {
        window_.AddSpectrumLine(brightness, bins);
        window_.render(&frame_);
    }

private:
    WaterfallWindow window_;
    QImage frame_;
};

// One second of audio through the spectrum into Lines: discarded, or drawn.
template <typename Lines>
void SpectrumInto(benchmark::State& state)
{
    const std::vector<std::int16_t> audio = OneSecondOfNoise();
    Lines lines;
    WaterfallSpectrum spectrum(lines);
    for (auto _ : state)
        for (std::int16_t s : audio)
            spectrum.AddSample(s);
}

}  // namespace

BENCHMARK(SpectrumInto<DiscardingSink>)->Name("Spectrum")->Unit(benchmark::kMillisecond);
BENCHMARK(SpectrumInto<DrawnWaterfall>)->Name("SpectrumAndDrawing")->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
