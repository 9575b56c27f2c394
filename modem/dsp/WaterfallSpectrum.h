// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The waterfall's spectrum of the recorded audio: every kHopSamples samples (ten
// lines a second at 8000 samples/s), once kFftSize have come, the last kFftSize samples, Hann-windowed, go
// through one FFT, and each bin's power becomes a brightness from 0 to 255 on a
// scale that follows the band's noise floor. The floor is the median power of the
// bins inside the radio's passband, smoothed from line to line, so the picture
// keeps the same look whatever the audio level: noise sits dim, and a signal a few
// decibels above it per bin (a 31-baud station at -10 dB SNR in 2500 Hz stands
// about 9 dB above the floor in its bins) is plainly brighter.
//
// Plain C++ for the receiver window's sample path: all storage is made in the
// constructor, nothing is allocated per sample or per line. Window thread only.

#include <kissfft/kissfft.hh>

#include <array>
#include <complex>
#include <cstdint>
#include <vector>

// Receives one finished line: brightness per bin, bin k at k x sampleRate / kFftSize
// Hz, from 0 Hz up to just below half the sample rate.
class SpectrumLineSink {
public:
    virtual ~SpectrumLineSink() = default;
    virtual void AddSpectrumLine(const std::uint8_t* brightness, int bins) = 0;
};

class WaterfallSpectrum {
public:
    static constexpr int kFftSize = 2048;              // samples: 3.9 Hz bins, 256 ms at 8000/s
    static constexpr int kBins = kFftSize / 2;         // 0 Hz up to below half the rate
    static constexpr int kHopSamples = 800;            // samples between lines: 10 lines/s at 8000/s
    // Bins whose median gives the noise floor: the radio's passband at the 8000
    // samples/s the card records, 200 ... 2800 Hz.
    static constexpr int kFloorFirstBin = 51;          // 51 x 8000 / 2048 = 199 Hz
    static constexpr int kFloorLastBin = 717;          // 717 x 8000 / 2048 = 2801 Hz
    // Brightness scale, in dB relative to the noise floor: 0 at kDarkBelowFloorDb
    // below it, 255 at kFullAboveFloorDb above it.
    static constexpr double kDarkBelowFloorDb = 6.0;
    static constexpr double kFullAboveFloorDb = 30.0;
    // Share of the new median taken into the floor at each line (about a second
    // to follow a change of level at ten lines a second).
    static constexpr double kFloorSmoothing = 0.1;

    explicit WaterfallSpectrum(SpectrumLineSink& sink);
    WaterfallSpectrum(const WaterfallSpectrum&) = delete;
    WaterfallSpectrum& operator=(const WaterfallSpectrum&) = delete;

    void AddSample(std::int16_t x);

    // The smoothed noise floor in dB (of the window's power units); meaningful
    // once the first line is out.
    double noiseFloorDb() const { return floorDb_; }

private:
    void MakeLine();

    SpectrumLineSink& sink_;
    kissfft<double> fft_;
    std::vector<double> window_;                 // Hann, kFftSize
    std::vector<double> history_;                // the last kFftSize samples, a ring
    std::vector<double> frame_;                  // windowed samples in time order
    std::vector<std::complex<double>> spectrum_; // kFftSize / 2 complex bins
    std::vector<double> powerDb_;                // per bin
    std::vector<double> floorScratch_;           // the passband bins, for the median
    std::vector<std::uint8_t> line_;             // brightness per bin
    int next_ = 0;            // where the next sample goes in history_
    int filled_ = 0;          // samples recorded so far, up to kFftSize: no line before it is full
    int sinceLine_ = 0;       // samples since the last line
    bool floorKnown_ = false;
    double floorDb_ = 0.0;
};
