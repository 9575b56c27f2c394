// SPDX-License-Identifier: GPL-3.0-or-later
// Built only for the Windows core (cross build under Wine): the receive tests that
// need a real transmission are not built there, and each group says why here, so
// the run lists what it did not check. Their signals come from msk-modem's encoder
// and channel, brought to 8000 samples per second by libsamplerate and written with
// libsndfile; Debian builds neither library for Windows.

#include <gtest/gtest.h>

namespace {

constexpr const char* kWhy =
    "needs msk-modem's encoder and channel (libsamplerate, libsndfile), which Debian does not build for Windows";

}  // namespace

TEST(LeftOutOnWindows, RoundTripsAtEverySpeed) { GTEST_SKIP() << kWhy; }
TEST(LeftOutOnWindows, AcquisitionFromEveryStartWithinABit) { GTEST_SKIP() << kWhy; }
TEST(LeftOutOnWindows, EnhancedChainByProperty) { GTEST_SKIP() << kWhy; }
TEST(LeftOutOnWindows, BothChainsSideBySide) { GTEST_SKIP() << kWhy; }
TEST(LeftOutOnWindows, DecodeAndSensitivityCommands) { GTEST_SKIP() << kWhy; }
