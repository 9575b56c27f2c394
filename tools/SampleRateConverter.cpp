// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/SampleRateConverter.h"

#include <samplerate.h>

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string>

namespace {
// Band-limited sinc interpolation: clean to well above the 1125 Hz top tone.
constexpr int kConverterType = SRC_SINC_MEDIUM_QUALITY;
constexpr std::size_t kOutputBlock = 4096;  // samples per call into libsamplerate
constexpr float kFullScale = 32768.0f;
}  // namespace

SampleRateConverter::SampleRateConverter(double ratio) : state_(nullptr), ratio_(ratio)
{
    if (!canConvert(ratio))
        throw std::invalid_argument("cannot convert the sample rate by a factor of " + std::to_string(ratio));
    int error = 0;
    state_ = src_new(kConverterType, 1, &error);
    if (!state_)
        throw std::runtime_error(std::string("libsamplerate: ") + src_strerror(error));
}

SampleRateConverter::~SampleRateConverter()
{
    src_delete(state_);
}

bool SampleRateConverter::canConvert(double ratio)
{
    return std::isfinite(ratio) && src_is_valid_ratio(ratio) != 0;
}

void SampleRateConverter::process(const float* in, std::size_t count, bool last, std::vector<float>& out)
{
    float block[kOutputBlock];
    SRC_DATA data{};
    data.data_in = in;
    data.input_frames = static_cast<long>(count);
    data.src_ratio = ratio_;
    data.end_of_input = last ? 1 : 0;
    for (;;) {
        data.data_out = block;
        data.output_frames = static_cast<long>(kOutputBlock);
        if (const int error = src_process(state_, &data))
            throw std::runtime_error(std::string("libsamplerate: ") + src_strerror(error));
        out.insert(out.end(), block, block + data.output_frames_gen);
        data.data_in += data.input_frames_used;
        data.input_frames -= data.input_frames_used;
        // Done when the input is used up and, at the end, nothing more comes out.
        if (data.input_frames == 0 && (!last || data.output_frames_gen == 0))
            break;
    }
}

std::int16_t toSample16(float x)
{
    const float scaled = std::nearbyint(x * kFullScale);
    if (!(scaled > -32768.0f))  // also a NaN
        return std::isnan(scaled) ? 0 : -32768;
    return static_cast<std::int16_t>(std::min(scaled, 32767.0f));
}

std::vector<std::int16_t> convertSampleRate(const std::vector<std::int16_t>& in, int fromRate, int toRate)
{
    if (fromRate == toRate)
        return in;
    std::vector<float> x(in.size());
    std::transform(in.begin(), in.end(), x.begin(), fromSample16);
    std::vector<float> y;
    y.reserve(static_cast<std::size_t>(static_cast<double>(in.size()) * toRate / fromRate) + kOutputBlock);
    SampleRateConverter converter(static_cast<double>(toRate) / fromRate);
    converter.process(x.data(), x.size(), true, y);
    std::vector<std::int16_t> out(y.size());
    std::transform(y.begin(), y.end(), out.begin(), toSample16);
    return out;
}
