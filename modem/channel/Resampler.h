// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A streaming sample-rate converter, as the channel's clock error needs one. The
// signal core only names it; the command-line tool hands in an implementation
// (libsamplerate), so the core stays free of that library.

#include <cstddef>
#include <vector>

namespace modem {

class Resampler {
public:
    virtual ~Resampler() = default;
    // Converts a block (full scale -1..1) and appends the result to out; last = true
    // flushes the converter's delay line (no block may follow).
    virtual void process(const float* in, std::size_t count, bool last, std::vector<float>& out) = 0;
};

}  // namespace modem
