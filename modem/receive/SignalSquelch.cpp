// SPDX-License-Identifier: GPL-3.0-or-later
#include "modem/receive/SignalSquelch.h"

#include "modem/receive/SpeedPlan.h"
#include "modem/receive/enhanced/FrequencySearch.h"

#include <algorithm>
#include <cmath>

namespace {

// Measured on 20 s of white noise (the largest line-to-floor ratio, its median,
// and the quick presence's median) and on signals at the 1 % CER point, per speed.
struct SpeedLevels {
    Real tickRate;
    SquelchLevels levels;
};
constexpr SpeedLevels kLevels[] = {
    // open: above the noise maximum; close: about 1.3 times the noise median.
    // grace: 10 s, longer than the deep fades at 0.1 Hz of Doppler spread last.
    {500.0, {8.5, 5.2, 3.4, 320}},    // 31 baud: noise max 7.2, median 4.0; signal at -12 dB median 10.5
    {1000.0, {9.0, 6.7, 4.9, 640}},  // 63 baud: noise max 7.5, median 5.2; signal at -9 dB median 12.2
    {2000.0, {6.3, 4.2, 2.8, 1280}},  // 125 baud: noise max 5.4, median 3.2; signal at -6 dB median 7.4
    {4000.0, {4.2, 3.3, 2.4, 2560}},  // 250 baud: noise max 3.6, median 2.6; signal at -3 dB median 5.0
    {8000.0, {4.3, 3.2, 2.5, 5120}},  // 500 baud: noise max 3.8, median 2.5; signal at 0 dB median 5.0
};

// A station back from a close this far off is another (see SquelchLevels):
// at 31 baud 0.19 R. At 63 baud 0.2 R was 12.5 Hz, and a reply 10 Hz off,
// taken for the old station back, printed the pause's noise held since the
// close (up to 43 characters) ahead of it. From 125 baud the search's own
// tracking step, a twentieth of the bit rate, is the larger.
constexpr Real kElsewhereHz = 6.0;

}  // namespace

SquelchLevels squelchLevels(Real tickRate)
{
    const SpeedLevels* nearest = &kLevels[0];
    for (const SpeedLevels& s : kLevels)
        if (std::abs(std::log(s.tickRate / tickRate)) < std::abs(std::log(nearest->tickRate / tickRate)))
            nearest = &s;
    SquelchLevels levels = nearest->levels;
    levels.elsewhereBits = std::max(kElsewhereHz * SpeedPlan::kSamplesPerBit / tickRate, FrequencySearch::kTrackSpanBits);
    return levels;
}
