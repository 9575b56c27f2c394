// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Keys and releases the radio's push-to-talk line. Window thread only.

class PttKeyer {
public:
    virtual ~PttKeyer() = default;
    virtual void key() = 0;      // PTT on: DTR, then RTS asserted
    virtual void release() = 0;  // PTT off: DTR, then RTS dropped
};
