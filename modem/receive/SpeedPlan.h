// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Everything the enhanced chain derives from the speed and the sample rate: bit
// rate, the tones' spacing, the front end's decimating low-pass, the frequency
// search's range, pre-filter and transform size. Made when the chain starts and
// again whenever the operator changes speed (or the assumed sample rate); never
// per sample.

#include "modem/dsp/KaiserLowPass.h"
#include "modem/receive/ReceiverSettings.h"

#include <cstddef>

struct SpeedPlan {
    static constexpr int kSamplesPerBit = 16;          // after decimation, as the classic tick rate
    static constexpr std::size_t kSearchWindowBits = 16;
    static constexpr std::size_t kSearchHopBits = 2;       // at 125 baud and slower
    static constexpr Real kSearchHopsPerSecond = 62.5;     // at most, so fast speeds hop further
    static constexpr std::size_t kZeroPadding = 4;     // transform length over window length
    static constexpr std::size_t kMaxTransform = 512;  // samples of the squared signal

    SpeedPlan(Real sampleRate, Real tickRate);

    Real sampleRate;     // recorded samples per second (the assumed rate)
    Real tickRate;       // decimated samples per second, 16 per bit
    Real bitRate;        // R, bits per second
    Real toneOffsetHz;   // each tone's distance from the centre
    Real modulationIndex;  // h: the phase turns h * pi per bit (0.5 is exact MSK)
    Real searchRangeHz;  // the frequency search covers +- this much

    FilterTaps frontEnd;   // at the sample rate: rejects the mixing image, decimates
    Real frontStopHz;      // where the front end's stop band begins
    FilterTaps preFilter;  // at the decimated rate: the frequency search's band

    // The frequency search squares the pre-filtered signal and keeps every
    // squareDecimation-th sample, so that the transform stays short at every speed
    // while all the lines it looks at stay clear of the band edges.
    std::size_t squareDecimation;
    std::size_t searchWindow;    // samples of the squared signal in one transform
    std::size_t transformSize;   // zero-padded, a power of two
    std::size_t searchHopBits;   // bits between two transforms: 2, 4 at 250 baud, 8 at 500
};
