// SPDX-License-Identifier: GPL-3.0-or-later
#include "receiver/InputPeakMeter.h"

#include <cmath>

double InputPeakMeter::takePeakDbfs()
{
    const int peak = peak_;
    peak_ = 0;
    if (peak == 0)
        return kSilenceDbfs;
    return 20.0 * std::log10(peak / kFullScale);
}
