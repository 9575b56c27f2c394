// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Message boxes and beeps, recorded with whether the window was already showing.

#include "platform/OperatorMessages.h"

#include <QWidget>
#include <string>
#include <vector>

struct WatchingMessages : OperatorMessages {
    struct Shown {
        std::string title;
        std::string text;
        MessageIcon icon;
        bool windowVisible;
    };
    std::vector<Shown> shown;
    int beeps = 0;
    const QWidget* window = nullptr;

    void beepExclamation() override { ++beeps; }
    void showMessage(const std::string& title, const std::string& text, MessageIcon icon) override
    {
        shown.push_back({title, text, icon, window && window->isVisible()});
    }
};
