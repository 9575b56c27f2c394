// SPDX-License-Identifier: GPL-3.0-or-later
#include "modem/channel/HilbertTransformer.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace modem {
namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kHilbertHalfSpan = 0.016;  // seconds each side of the centre tap

// With the rates a recording may have, the Hilbert transformer has at most
// 2 x 6144 + 1 taps (at 384000 samples per second).
constexpr long long kMaxHilbertHalfLength = 6144;
static_assert(kHilbertHalfSpan * HilbertTransformer::kMaxRate <= kMaxHilbertHalfLength);

// h[n] = 2 / (pi n) for odd n, 0 for even n, under a Blackman window. Its half span
// of 16 ms keeps it flat from well below 300 Hz up.
std::vector<double> hilbertTaps(int halfLength)
{
    const int length = 2 * halfLength + 1;
    std::vector<double> h(static_cast<std::size_t>(length), 0.0);
    for (int n = -halfLength; n <= halfLength; ++n) {
        if (n % 2 == 0)
            continue;
        const double t = static_cast<double>(n + halfLength) / (length - 1);  // 0..1
        const double window = 0.42 - 0.5 * std::cos(2 * kPi * t) + 0.08 * std::cos(4 * kPi * t);
        h[static_cast<std::size_t>(n + halfLength)] = 2.0 / (kPi * n) * window;
    }
    return h;
}

int hilbertHalfLength(int rate)
{
    const long long half = std::max(1L, std::lround(kHilbertHalfSpan * rate));
    return static_cast<int>(std::min(half, kMaxHilbertHalfLength));
}

}  // namespace

HilbertTransformer::HilbertTransformer(int rate)
    : half_(hilbertHalfLength(rate)), taps_(hilbertTaps(half_)), history_(2 * taps_.size(), 0.0)
{
}

std::complex<double> HilbertTransformer::step(double x)
{
    const std::size_t length = taps_.size();
    newest_ = newest_ + 1 == length ? 0 : newest_ + 1;
    history_[newest_] = x;
    history_[newest_ + length] = x;
    // window[t], t = 0 .. 2 half, runs from the oldest input to the newest; the
    // output sample m stands at t = half, and x[m - k] at t = half - k.
    const double* window = history_.data() + newest_ + 1;
    double quadrature = 0;
    for (int k = -half_ + ((half_ % 2 == 0) ? 1 : 0); k <= half_; k += 2)
        quadrature += taps_[static_cast<std::size_t>(k + half_)] * window[half_ - k];
    return {window[half_], quadrature};
}

}  // namespace modem
