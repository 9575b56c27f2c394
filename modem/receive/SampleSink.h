// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Where recorded samples go, one call per sample in recording order. The receiver
// window passes them to the demodulator; tests collect them. Called on the window
// thread only, from inside a returned capture buffer's handling.

#include <cstdint>

class SampleSink {
public:
    virtual ~SampleSink() = default;
    virtual void DemodulateSample(std::int16_t x) = 0;
};
