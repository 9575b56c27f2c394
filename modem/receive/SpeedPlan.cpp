// SPDX-License-Identifier: GPL-3.0-or-later
#include "modem/receive/SpeedPlan.h"

#include <algorithm>
#include <cmath>

namespace {

// The transmitters' tone offsets at 31 and 63 baud (Hz from the centre): a little
// less than a quarter of the bit rate. From 125 baud on they are exactly R / 4.
constexpr Real kTickRate31 = 500.0;
constexpr Real kToneOffset31 = 7.5625;
constexpr Real kTickRate63 = 1000.0;
constexpr Real kToneOffset63 = 15.125;

// Front end: flat to 0.75 R + 60 Hz, 60 dB down from 16 R minus that (where the
// decimation would fold noise onto the pass band) or 1400 Hz, whichever is lower.
constexpr Real kFrontPassBits = 0.75;       // times R
constexpr Real kFrontPassExtraHz = 60.0;
constexpr Real kFrontStopHz = 1400.0;
constexpr Real kFrontRejectionDb = 60.0;

// Frequency search: +-45 Hz, or a tenth of the bit rate if that is more (500 baud).
constexpr Real kSearchRangeHz = 45.0;
constexpr Real kSearchRangeBits = 0.1;     // times R
// Its pre-filter passes 1.05 R beyond the search range, 40 dB down 0.6 R wide.
constexpr Real kPreCutoffBits = 1.05;
constexpr Real kPreTransitionBits = 0.6;
constexpr Real kPreRejectionDb = 40.0;
// The squared signal's lines of interest lie within +-(2 x range + R / 2); the
// decimated squared signal keeps this margin (times that) to its band edge.
constexpr Real kSquareBandMargin = 1.15;

Real toneOffset(Real tickRate, Real bitRate)
{
    if (std::abs(tickRate - kTickRate31) < 1)
        return kToneOffset31;
    if (std::abs(tickRate - kTickRate63) < 1)
        return kToneOffset63;
    return bitRate / 4;
}

}  // namespace

SpeedPlan::SpeedPlan(Real sampleRate_, Real tickRate_)
    : sampleRate(sampleRate_), tickRate(tickRate_), bitRate(tickRate_ / kSamplesPerBit),
      toneOffsetHz(toneOffset(tickRate_, bitRate)), modulationIndex(2 * toneOffsetHz / bitRate),
      searchRangeHz(std::max(kSearchRangeHz, kSearchRangeBits * bitRate))
{
    // The transform is the chain's largest cost at the fast speeds: there it runs
    // at most 62.5 times a second.
    searchHopBits = kSearchHopBits;
    while (bitRate / static_cast<Real>(searchHopBits) > kSearchHopsPerSecond)
        searchHopBits *= 2;

    const Real pass = kFrontPassBits * bitRate + kFrontPassExtraHz;
    frontStopHz = std::min(tickRate - pass, kFrontStopHz);
    frontEnd = kaiserLowPass(kFrontRejectionDb, frontStopHz - pass, (pass + frontStopHz) / 2, sampleRate);

    const Real preCutoff = kPreCutoffBits * bitRate + searchRangeHz;
    preFilter = kaiserLowPass(kPreRejectionDb, kPreTransitionBits * bitRate, preCutoff, tickRate);

    // The largest power-of-two decimation of the squared signal that keeps its
    // lines inside the band with the margin.
    const Real needed = 2 * kSquareBandMargin * (2 * searchRangeHz + bitRate / 2);  // samples per second
    const std::size_t fullWindow = kSearchWindowBits * kSamplesPerBit;
    squareDecimation = 1;
    while (tickRate / static_cast<Real>(2 * squareDecimation) >= needed && 2 * squareDecimation < fullWindow)
        squareDecimation *= 2;
    searchWindow = fullWindow / squareDecimation;
    transformSize = kZeroPadding * searchWindow;
    while (transformSize > kMaxTransform) {  // only at the slowest speeds
        squareDecimation *= 2;
        searchWindow = fullWindow / squareDecimation;
        transformSize = kZeroPadding * searchWindow;
    }
}
