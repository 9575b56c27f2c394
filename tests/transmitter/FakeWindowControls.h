// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The transmitter window's controls as the audio stream changes them, each change
// of the toggle and the end of the window also in a shared log.

#include "transmitter/TxWindowControls.h"

#include <string>
#include <vector>

struct FakeWindowControls : TxWindowControls {
    explicit FakeWindowControls(std::vector<std::string>* log) : log(log) {}
    std::vector<std::string>* log;
    std::string toggleText = "Turn On";  // as the window creates it
    bool pttButtonEnabled = true;
    bool modeOptionsEnabled = true;
    int ends = 0;
    std::vector<std::string> toggleTexts;  // every text set, in order
    std::vector<int> dryShown;             // every underrun count shown, in order
    void setToggleText(const std::string& text) override
    {
        toggleText = text;
        toggleTexts.push_back(text);
        log->push_back("toggle " + text);
    }
    void setPttButtonEnabled(bool enabled) override { pttButtonEnabled = enabled; }
    void setModeOptionsEnabled(bool enabled) override { modeOptionsEnabled = enabled; }
    void showSoundRanDry(int times) override { dryShown.push_back(times); }
    void endWindow() override
    {
        ++ends;
        log->push_back("end window");
    }
};
