// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Asks the operator for one text from an editable list. Returns the chosen or typed
// text, or an empty text when cancelled. Window thread; runs its own event loop
// while the caller's windows stay usable.

#include <string>
#include <vector>

class TextChooser {
public:
    virtual ~TextChooser() = default;
    virtual std::string run(const std::string& prompt, const std::string& initialText,
                            const std::vector<std::string>& choices, const std::string& caption) = 0;
};
