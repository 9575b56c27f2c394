// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A UTC clock the test sets, and the moments the log tests use.

#include "receiver/ReceivedTextLog.h"

#include <chrono>

struct SetClock : UtcClock {
    UtcTime at;
    UtcTime now() const override { return at; }
};

// 7 December 2026 at h:m:s UTC.
inline UtcTime At(int h, int m, int s)
{
    using namespace std::chrono;
    return sys_days{year{2026} / December / 7} + hours(h) + minutes(m) + seconds(s);
}
