// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A text pane held in a string of Windows-1252 bytes: what the decoder writes into
// when there is no window (msk-modem decode, benchmarks).

#include "modem/varicode/ReceivedTextPane.h"

#include <algorithm>
#include <string>

class StringTextPane : public ReceivedTextPane {
public:
    int textLength() const override { return static_cast<int>(text_.size()); }
    void selectRange(int from, int to) override
    {
        const int length = static_cast<int>(text_.size());
        from_ = std::clamp(from, 0, length);
        to_ = std::clamp(to, from_, length);
    }
    void deleteSelection() override { replace(""); }
    void replaceSelection(const char* text) override { replace(text); }
    void scrollToCaret() override {}

    const std::string& text() const { return text_; }  // Windows-1252 bytes

private:
    void replace(const std::string& inserted)
    {
        text_.replace(static_cast<std::size_t>(from_), static_cast<std::size_t>(to_ - from_), inserted);
        from_ = to_ = from_ + static_cast<int>(inserted.size());
    }

    std::string text_;
    int from_ = 0;
    int to_ = 0;
};
