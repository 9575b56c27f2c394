// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What a simulated radio path does to a test signal: a sample-clock error, a
// frequency offset, and white Gaussian noise at a given SNR in a 2500 Hz bandwidth,
// seeded so that runs repeat. The band's other troubles are each off unless set:
// fading, drift, a second station, a steady carrier, impulse noise, and the
// receiving radio's SSB passband and AGC.

#include <cstdint>
#include <limits>

namespace modem {

inline constexpr double kNoiseBandwidth = 2500.0;  // Hz, the SSB channel the SNR refers to
// When noise is added the result is scaled, if need be, to this RMS level so the
// noise peaks of a weak signal are not clipped at 16 bits (about -18 dBFS).
inline constexpr double kNoisyOutputRms = 4096.0;
inline constexpr double kFullScale = 32768.0;  // 16-bit scale of the samples
inline constexpr double kBandCentreHz = 1000.0;  // where the wanted station sits untuned

// Sky-wave fading after Watterson: one or two paths, each a complex Gaussian tap
// whose Doppler spectrum is a Gaussian of standard deviation sigma; the Doppler
// spread quoted for a channel is 2 sigma. Two paths have equal mean power and the
// second arrives delaySeconds after the first; the taps together have mean power 1,
// so the SNR stays the average SNR.
struct FadingProfile {
    int paths = 0;             // 0: no fading
    double spreadHz = 0.0;     // Doppler spread (2 sigma) of every path
    double delaySeconds = 0.0; // of the second path after the first
};
// The usual ionospheric channels: mid-latitude quiet, moderate and disturbed
// conditions, and the fast flutter of high-latitude paths.
inline constexpr FadingProfile kFadingGood{2, 0.1, 0.5e-3};
inline constexpr FadingProfile kFadingModerate{2, 0.5, 1.0e-3};
inline constexpr FadingProfile kFadingPoor{2, 1.0, 2.0e-3};
inline constexpr FadingProfile kFadingFlutter{2, 10.0, 0.5e-3};

// A second signal on the band: offsetHz from kBandCentreHz, its power relativeDb
// against the wanted signal's mean power.
struct BandNeighbour {
    bool present = false;
    double offsetHz = 0.0;
    double relativeDb = 0.0;
};

enum class AgcSpeed { Off, Fast, Slow };

struct ChannelOptions {
    double snrDb = std::numeric_limits<double>::infinity();  // no noise unless given
    double offsetHz = 0.0;  // added to every frequency of the signal
    double ppm = 0.0;       // the receiving clock runs this many parts per million fast
    std::uint64_t seed = 1;

    FadingProfile fading;                 // none unless set
    double driftHzPerSecond = 0.0;        // the wanted signal's frequency moves by this
    BandNeighbour secondStation;          // another keyboard station, same speed
    int secondStationSamplesPerBit = 1024; // its speed, as samples per bit at 32000/s
    BandNeighbour carrier;                // a steady unmodulated carrier
    double impulsesPerSecond = 0.0;       // clicks at Poisson times; 0: none
    double impulseRelativeDb = 0.0;       // a click's onset power against the signal's
    bool ssbPassband = false;             // the radio's 300-2700 Hz filter
    AgcSpeed agc = AgcSpeed::Off;

    // Something beside the wanted signal and the white noise reaches the output.
    bool addsSignals() const { return secondStation.present || carrier.present || impulsesPerSecond > 0; }
    // The receiving radio shapes the sum.
    bool shapesOutput() const { return ssbPassband || agc != AgcSpeed::Off; }
};

// Independent random streams from one seed, one per random block, so that adding
// one trouble does not change the noise or the fading of another. The white noise
// keeps the seed itself.
enum class RandomStream : std::uint64_t { FirstPath = 1, SecondPath, Impulses };
inline std::uint64_t streamSeed(std::uint64_t seed, RandomStream stream)
{
    // splitmix64's finaliser over the seed and the stream's number
    std::uint64_t z = seed + 0x9E3779B97F4A7C15ULL * (static_cast<std::uint64_t>(stream) + 1);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

}  // namespace modem
