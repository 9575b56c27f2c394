// SPDX-License-Identifier: GPL-3.0-or-later
// The carrier notch tells a carrier from a station's preamble, whose tone is as
// steady while it lasts.
#include "modem/receive/SpeedPlan.h"
#include "modem/receive/enhanced/SteadyCarrierNotch.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <utility>

namespace {

// One bit of a steady tone hz from the centre, continuing the phase.
void sendBit(SteadyCarrierNotch& notch, Real& phase, Real hz, Real tickRate)
{
    for (int s = 0; s < SpeedPlan::kSamplesPerBit; ++s) {
        phase += 2 * kPi * hz / tickRate;
        notch.step(unitPhasor(phase));
    }
}

}  // namespace

// A clean preamble (40 bits of the lower tone, then "00") with random text after
// it, at every offset within the notch's reach (a thirteenth of a bit rate
// apart) and starting at every bit of a look's hop, at each speed: never a
// carrier. With no noise its line is as clear as a line can be; it fills both
// halves of the window in at most 4 looks in a row, against the 6 a carrier
// must. (Without the halves it stood as a line in up to 11 looks.) And a
// steady tone at the same place, within reach, on from the start, is a carrier
// once it has stood 48 bits and half a second: the first look comes once the
// 32-bit window has filled and another 8 bits have passed, at bit 40, and the
// tone is taken at the look 8 * (n - 1) bits later, n = max(48, ceil(R / 2)) / 8
// looks: 6, 6, 7, 15 and 31 at 31 to 500 baud.
TEST(SteadyCarrierNotchTest, APreambleIsNeverTakenForACarrierWhereASteadyToneIs)
{
    for (const auto& [bitRate, carrierAtBit] :
         {std::pair{31.25, 80}, std::pair{62.5, 80}, std::pair{125.0, 88}, std::pair{250.0, 152}, std::pair{500.0, 280}}) {
        const SpeedPlan plan(8000.0, SpeedPlan::kSamplesPerBit * bitRate);
        const Real reach = plan.searchRangeHz + bitRate;
        const kissfft<Real> transform(SteadyCarrierNotch::lookLength(bitRate, reach, plan.frontStopHz), false);
        const Real step = bitRate / 13;
        std::mt19937 bits(7);
        for (Real offset = -reach; offset <= reach; offset += step) {
            // The preamble's lower tone; a 0 lies twice the tone offset above.
            const Real one = offset - plan.toneOffsetHz;
            const Real zero = offset + plan.toneOffsetHz;
            for (int lead = 0; lead < static_cast<int>(SteadyCarrierNotch::kHopBits); ++lead) {
                SteadyCarrierNotch notch(bitRate, reach, plan.frontStopHz, transform);
                Real phase = 0;
                for (int s = 0; s < (40 + lead) * SpeedPlan::kSamplesPerBit; ++s)
                    notch.step(Complex{});  // silence before the over
                for (int b = 0; b < 42; ++b)
                    sendBit(notch, phase, b < 40 ? one : zero, plan.tickRate);
                for (int b = 0; b < 120; ++b)
                    sendBit(notch, phase, bits() & 1 ? one : zero, plan.tickRate);
                EXPECT_FALSE(notch.engaged()) << bitRate << " baud, " << offset << " Hz, lead " << lead;
            }
            if (std::abs(one) > reach - bitRate / SteadyCarrierNotch::kWindowBits)
                continue;  // a carrier within a bin of the reach's edge, or beyond it, is not looked for
            SteadyCarrierNotch notch(bitRate, reach, plan.frontStopHz, transform);
            Real phase = 0;
            int engagedAt = 0;
            for (int b = 1; b <= carrierAtBit + 8 && engagedAt == 0; ++b) {
                sendBit(notch, phase, one, plan.tickRate);
                engagedAt = notch.engaged() ? b : 0;
            }
            EXPECT_EQ(engagedAt, carrierAtBit) << bitRate << " baud, " << one << " Hz";
        }
    }
}
