// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A text pane in a string that also logs every operation the decoder sends it.

#include "modem/receive/StringTextPane.h"

#include <string>
#include <vector>

class FakeTextPane : public StringTextPane {
public:
    int textLength() const override
    {
        log.push_back("length");
        return StringTextPane::textLength();
    }
    void selectRange(int from, int to) override
    {
        log.push_back("select " + std::to_string(from) + " " + std::to_string(to));
        StringTextPane::selectRange(from, to);
    }
    void deleteSelection() override
    {
        log.push_back("delete");
        StringTextPane::deleteSelection();
    }
    void replaceSelection(const char* text) override
    {
        log.push_back("replace '" + std::string(text) + "'");
        StringTextPane::replaceSelection(text);
    }
    void scrollToCaret() override { log.push_back("scroll"); }

    mutable std::vector<std::string> log;
};
