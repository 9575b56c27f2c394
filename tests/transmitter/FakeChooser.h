// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A port chooser that answers at once, with a hook for "while the pop-up is open".

#include "transmitter/TextChooser.h"

#include <functional>
#include <string>
#include <vector>

struct FakeChooser : TextChooser {
    std::string answer;
    std::vector<std::string> initialTexts;
    std::function<void()> whileOpen;  // runs as if the pop-up were showing
    std::string run(const std::string&, const std::string& initialText, const std::vector<std::string>&,
                    const std::string&) override
    {
        initialTexts.push_back(initialText);
        if (whileOpen)
            whileOpen();
        return answer;
    }
};
