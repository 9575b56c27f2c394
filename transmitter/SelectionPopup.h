#pragma once
// A small pop-up that asks for one text: a prompt, an editable drop-down list and
// three drawn buttons, "Accept", "Cancel" and "Clear". Enter and Esc act as Accept
// and Cancel for every key press of the program while it is open. It has no owner
// window: the caller's windows stay usable, so the caller disables what must not
// run meanwhile.

#include "TextChooser.h"

class SelectionPopup : public TextChooser {
public:
    static constexpr int kAccepted = 0;
    static constexpr int kCancelled = 901;

    std::string run(const std::string& prompt, const std::string& initialText,
                    const std::vector<std::string>& choices, const std::string& caption) override;
    // (the helper building the pop-up fills in the rest)
};
