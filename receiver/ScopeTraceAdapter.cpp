#include "ScopeTraceAdapter.h"

#include <cmath>

void ScopeTraceAdapter::step(std::int64_t n, Complex decimated)
{
    // The classic chain's mixer turns the other way, so its baseband is the
    // mirror image of this one: conjugate to keep its signs (a 1 bit left).
    stage2_.push({decimated.real(), -decimated.imag()});
    std::size_t done = 0;
    while (done < count_ && pending_[done].sample <= n) {
        const Real d = discriminator_.step(stage2_.output());
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
    const auto first = static_cast<std::int64_t>(std::lround(t + kFirstPointAfterStrobe));
    // A strobe moved back (the preamble's end found) replaces what is left of the
    // last bit.
    while (count_ > 0 && pending_[count_ - 1].sample >= first)
        --count_;
    for (int k = 0; k < kPointsPerBit && count_ < pending_.size(); ++k)
        pending_[count_++] = {first + kTicksPerPoint * k, kTicksPerPoint * k};
}
