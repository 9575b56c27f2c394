// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The status line: every text the bit queue writes, in order.

#include "modem/transmit/TxBitQueue.h"

#include <string>
#include <vector>

struct RecordingStatus : TxStatusSink {
    std::vector<std::string> texts;
    void setStatusText(const std::string& text) override { texts.push_back(text); }
};
