// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Low-pass FIR design by the Kaiser window method: a windowed ideal low-pass
// (sinc) whose length and window shape follow from the stop-band attenuation and
// the width of the transition band. Used when the enhanced chain sets itself up
// for a speed, never per sample. Unity gain at DC.

#include "modem/dsp/DspMath.h"

#include <array>
#include <cstddef>

struct FilterTaps {
    static constexpr std::size_t kCapacity = 255;  // odd; longer designs are cut to this
    std::array<Real, kCapacity> c{};                // c[0] weights the oldest sample
    std::size_t count = 0;
};

// attenuationDb: stop-band rejection; transitionHz: pass-band edge to stop-band
// edge; cutoffHz: the middle of the transition; sampleRate in samples per second.
// The length is odd, so the delay is a whole (count - 1) / 2 samples.
FilterTaps kaiserLowPass(Real attenuationDb, Real transitionHz, Real cutoffHz, Real sampleRate);
