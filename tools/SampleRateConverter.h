// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Streaming sample-rate conversion through libsamplerate, for recordings made at
// another rate than the receiver's 8000 samples per second, for the encoder's
// 32000, and for a channel whose sample clock is off by some parts per million.

#include <cstddef>
#include <cstdint>
#include <vector>

struct SRC_STATE_tag;

class SampleRateConverter {
public:
    // ratio: output rate / input rate. Throws std::invalid_argument when
    // libsamplerate cannot convert by it (outside 1/256 .. 256).
    explicit SampleRateConverter(double ratio);
    ~SampleRateConverter();
    SampleRateConverter(const SampleRateConverter&) = delete;
    SampleRateConverter& operator=(const SampleRateConverter&) = delete;

    // Converts a block and appends the result to out; last = true flushes the
    // converter's delay line (no block may follow).
    void process(const float* in, std::size_t count, bool last, std::vector<float>& out);

    static bool canConvert(double ratio);

private:
    SRC_STATE_tag* state_;
    double ratio_;
};

// Full-scale float (-1..1) to a 16-bit sample, rounded and clipped.
std::int16_t toSample16(float x);
inline float fromSample16(std::int16_t x) { return static_cast<float>(x) / 32768.0f; }

// A whole recording from one rate to another.
std::vector<std::int16_t> convertSampleRate(const std::vector<std::int16_t>& in, int fromRate, int toRate);
