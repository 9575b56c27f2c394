// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Records message boxes and beeps instead of showing them.

#include "platform/OperatorMessages.h"

#include <string>
#include <vector>

struct FakeOperatorMessages : OperatorMessages {
    struct Shown {
        std::string title;
        std::string text;
        MessageIcon icon;
    };
    std::vector<Shown> shown;
    int beeps = 0;
    std::vector<std::string> events;  // "beep" and "box:<text>", in order

    void beepExclamation() override
    {
        ++beeps;
        events.push_back("beep");
    }
    void showMessage(const std::string& title, const std::string& text, MessageIcon icon) override
    {
        shown.push_back({title, text, icon});
        events.push_back("box:" + text);
    }
};
