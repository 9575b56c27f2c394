// SPDX-License-Identifier: GPL-3.0-or-later
#include "modem/receive/enhanced/SmoothedCoherentDetector.h"

#include <algorithm>
#include <cstddef>

void SmoothedCoherentDetector::step(Complex zero, Complex one, Complex carrier, const MskTrellis& first)
{
    bits_[pushed_ % bits_.size()] = {zero, one, carrier};
    ++pushed_;
    if (pushed_ <= static_cast<std::uint64_t>(kAheadBits))
        return;
    const int count = static_cast<int>(std::min<std::uint64_t>(pushed_, kWindowBits));
    first.bestPath(count, path_);
    Complex gain(0, 0);
    for (int age = 0; age < count; ++age) {
        if (age == kAheadBits)
            continue;
        const Bit& b = at(age);
        const MskTrellis::Branch& branch = path_[static_cast<std::size_t>(age)];
        gain += (branch.bit ? b.one : b.zero) * b.carrier * MskTrellis::quarterBack(branch.fromState);
    }
    const Bit& bit = at(kAheadBits);
    std::array<Complex, MskTrellis::kStates> references;
    references.fill(bit.carrier * std::conj(gain));
    trellis_.step(bit.zero, bit.one, references, references);
}
