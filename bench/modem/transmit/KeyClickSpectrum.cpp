// SPDX-License-Identifier: GPL-3.0-or-later
// The key click of an over's edges: the spectrum around the moment the carrier
// switches on (and off), with and without the raised-cosine edges, as the power
// 100-500 Hz and 500-3000 Hz away from the tone relative to the power within
// 50 Hz of it. Not a speed benchmark: it prints a table for docs/performance.md.
//   key-click-spectrum
//
// Each frame is 8192 samples (256 ms) under a 4-term Blackman-Harris window
// (side lobes 92 dB down, so the window's own leakage stays far below a click),
// centred on the edge: half silence, half tone. The synthesiser's phase at an
// over's start is wherever the last over left it, so each figure is the mean
// power over 16 starting phases (the over begins after 0..15 discarded bits).

#include "modem/transmit/KeyingEnvelope.h"
#include "modem/transmit/MskSynthesizer.h"

#include <kissfft/kissfft.hh>

#include <cmath>
#include <complex>
#include <cstdio>
#include <vector>

namespace {

constexpr int kFrame = 8192;         // samples, 256 ms at 32000/s
constexpr int kPhases = 16;          // starting phases averaged
constexpr double kNearHz = 50.0;     // the signal itself: within this of the tone
constexpr double kInnerHz = 100.0;   // the click band: from here ...
constexpr double kOuterHz = 500.0;   // ... to here from the tone
constexpr double kFarHz = 3000.0;    // the rest of a voice channel, to here
const double kPi = 4.0 * std::atan(1.0);

enum class Edge { Start, End };

struct Bands {
    double near = 0, click = 0, far = 0;  // power sums
};

// One frame centred on the edge of an over of 1 bits (the preamble's tone).
std::vector<double> edgeFrame(int samplesPerBit, Edge edge, bool shaped, int skippedBits)
{
    MskSynthesizer synth;
    synth.setSamplesPerBit(samplesPerBit);
    std::vector<std::int16_t> bit(MskSynthesizer::kMaxSamplesPerBit);
    for (int i = 0; i < skippedBits; ++i)
        synth.fillBit(bit.data(), 1);
    std::vector<double> frame(kFrame, 0.0);
    const int half = kFrame / 2;
    if (edge == Edge::Start) {
        if (shaped)
            synth.startRise();
        for (int at = half; at < kFrame; at += samplesPerBit) {
            synth.fillBit(bit.data(), 1);
            for (int n = 0; n < samplesPerBit && at + n < kFrame; ++n)
                frame[static_cast<std::size_t>(at + n)] = bit[static_cast<std::size_t>(n)];
        }
    } else {
        for (int at = half - samplesPerBit * (half / samplesPerBit); at < half; at += samplesPerBit) {
            synth.fillBit(bit.data(), 1);
            for (int n = 0; n < samplesPerBit; ++n)
                frame[static_cast<std::size_t>(at + n)] = bit[static_cast<std::size_t>(n)];
        }
        if (shaped) {
            std::vector<std::int16_t> fall(keying::kEdgeSamples);
            synth.fillFall(fall.data(), synth.toneState());
            for (int n = 0; n < keying::kEdgeSamples; ++n)
                frame[static_cast<std::size_t>(half + n)] = fall[static_cast<std::size_t>(n)];
        }
    }
    return frame;
}

Bands measure(int samplesPerBit, Edge edge, bool shaped)
{
    const kissfft<double> fft(kFrame, false);
    std::vector<std::complex<double>> in(kFrame), out(kFrame);
    MskSynthesizer probe;
    probe.setSamplesPerBit(samplesPerBit);
    std::vector<std::int16_t> bit(MskSynthesizer::kMaxSamplesPerBit);
    probe.fillBit(bit.data(), 1);
    const double tone = probe.tone();
    Bands sum;
    for (int p = 0; p < kPhases; ++p) {
        const std::vector<double> frame = edgeFrame(samplesPerBit, edge, shaped, p);
        for (int n = 0; n < kFrame; ++n) {
            const double x = 2 * kPi * n / kFrame;
            const double w = 0.35875 - 0.48829 * std::cos(x) + 0.14128 * std::cos(2 * x) - 0.01168 * std::cos(3 * x);
            in[static_cast<std::size_t>(n)] = frame[static_cast<std::size_t>(n)] * w;
        }
        fft.transform(in.data(), out.data());
        for (int k = 0; k <= kFrame / 2; ++k) {
            const double away = std::abs(k * double(MskSynthesizer::kSampleRate) / kFrame - tone);
            const double power = std::norm(out[static_cast<std::size_t>(k)]);
            if (away <= kNearHz)
                sum.near += power;
            else if (away >= kInnerHz && away <= kOuterHz)
                sum.click += power;
            else if (away > kOuterHz && away <= kFarHz)
                sum.far += power;
        }
    }
    return sum;
}

double dbc(double band, double near)
{
    return 10.0 * std::log10(band / near);
}

}  // namespace

int main()
{
    std::printf("| Speed | Edge | 100-500 Hz away, plain | with 5 ms edge | 500-3000 Hz away, plain | with 5 ms edge |\n");
    std::printf("|---|---|---|---|---|---|\n");
    for (const int samplesPerBit : {1024, 64}) {
        for (const Edge edge : {Edge::Start, Edge::End}) {
            const Bands plain = measure(samplesPerBit, edge, false);
            const Bands shaped = measure(samplesPerBit, edge, true);
            std::printf("| %d baud | %s | %.1f dBc | %.1f dBc | %.1f dBc | %.1f dBc |\n",
                        samplesPerBit == 1024 ? 31 : 500, edge == Edge::Start ? "start" : "end",
                        dbc(plain.click, plain.near), dbc(shaped.click, shaped.near), dbc(plain.far, plain.near),
                        dbc(shaped.far, shaped.near));
        }
    }
    return 0;
}
