// SPDX-License-Identifier: GPL-3.0-or-later
// Two easy points of the sensitivity table, so a regression anywhere in the link
// shows up: both must come through without a single character error.
#include "bench/modem/receive/SensitivityText.h"
#include "tools/ModemSensitivity.h"

#include <gtest/gtest.h>

namespace {

TEST(SensitivityTest, SlowestSpeedAtMinus4Db)
{
    const modem::SensitivityLink link(kSensitivityText, "31");
    const auto result = link.run(-4.0, 1);
    EXPECT_EQ(result.received, kSensitivityText);
}

TEST(SensitivityTest, MiddleSpeedAtPlus2Db)
{
    const modem::SensitivityLink link(kSensitivityText, "125");
    const auto result = link.run(2.0, 1);
    EXPECT_EQ(result.received, kSensitivityText);
}

TEST(SensitivityTest, EditDistanceCountsEachEdit)
{
    EXPECT_EQ(modem::editDistance("", ""), 0u);
    EXPECT_EQ(modem::editDistance("abc", ""), 3u);
    EXPECT_EQ(modem::editDistance("kitten", "sitting"), 3u);  // k->s, e->i, +g
    EXPECT_EQ(modem::editDistance("Good", "Goot  "), 3u);
}

}  // namespace
