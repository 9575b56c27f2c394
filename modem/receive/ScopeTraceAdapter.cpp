// SPDX-License-Identifier: GPL-3.0-or-later
#include "modem/receive/ScopeTraceAdapter.h"

#include <cmath>

Complex ScopeTraceAdapter::stage2At(std::int64_t n) const
{
    Complex sum{};
    for (std::size_t k = 0; k < kStage2Taps; ++k)
        sum += kStage2Coefficients[k] * history_[static_cast<std::size_t>(n - static_cast<std::int64_t>(kStage2Taps - 1 - k)) & (kHistory - 1)];
    return sum;
}

void ScopeTraceAdapter::step(std::int64_t n, Complex decimated)
{
    // The classic chain's mixer turns the other way, so its baseband is the
    // mirror image of this one: conjugate to keep its signs (a 1 bit left).
    history_[static_cast<std::size_t>(n) & (kHistory - 1)] = std::conj(decimated);
    std::size_t done = 0;
    while (done < count_ && pending_[done].sample <= n) {
        // As the classic discriminator: the turn in units of pi, wrapped to -1..1
        // (atan2(0, 0) is 0: silence reads as no turning).
        // (The chain decides a bit 2.6 bits after its strobe, so a point may
        // already lie a few samples back.)
        const std::int64_t at = pending_[done].sample;
        const Complex now = stage2At(at);
        const Complex before = stage2At(at - kSpan);
        Real d = (std::atan2(now.imag(), now.real()) - std::atan2(before.imag(), before.real())) / kPi;
        if (d > 1)
            d -= 2;
        else if (d < -1)
            d += 2;
        display_.PlotPhasePoint(pending_[done].tick, d);
        ++done;
    }
    if (done == 0)
        return;
    for (std::size_t i = done; i < count_; ++i)
        pending_[i - done] = pending_[i];
    count_ -= done;
}

void ScopeTraceAdapter::bitStrobe(Real t)
{
    const auto first = static_cast<std::int64_t>(std::llround(t + kFirstPointAfterStrobe));
    // A strobe moved back (the preamble's end found) replaces what is left of the
    // last bit.
    while (count_ > 0 && pending_[count_ - 1].sample >= first)
        --count_;
    for (int k = 0; k < kPointsPerBit && count_ < pending_.size(); ++k)
        pending_[count_++] = {first + kTicksPerPoint * k, kTicksPerPoint * k};
}
