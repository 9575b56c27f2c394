// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A small pop-up that asks for one text: a prompt, an editable drop-down list and
// three drawn buttons, "Accept", "Cancel" and "Clear". Enter and Esc act as Accept
// and Cancel for every key press of the program while it is open. It has no owner
// window: the caller's windows stay usable, so the caller disables what must not
// run meanwhile. Window thread only; one pop-up at a time in the whole program.

#include "transmitter/TextChooser.h"

#include <string>
#include <vector>

class QEventLoop;
class QString;
class SelectionPopupWindow;

class SelectionPopup : public TextChooser {
public:
    static constexpr int kAccepted = 0;
    static constexpr int kCancelled = 901;

    SelectionPopup() = default;
    SelectionPopup(const SelectionPopup&) = delete;
    SelectionPopup& operator=(const SelectionPopup&) = delete;

    // Shows the pop-up and waits in an event loop of its own until it has ended.
    // Returns "" when cancelled, else the text chosen or typed (possibly "").
    // While another pop-up is open it shows nothing and returns "".
    std::string run(const std::string& prompt, const std::string& initialText,
                    const std::vector<std::string>& choices, const std::string& caption) override;

    // The pop-up's window while run() waits, else nullptr.
    SelectionPopupWindow* window() const { return window_; }
    static bool anyOpen();

    int endCode() const { return endCode_; }
    bool ending() const { return ending_; }
    const std::string& resultText() const { return resultText_; }

private:
    void accept();
    void cancel();
    void clear();
    void takeText(const QString& text);
    void postClose();
    void closeMessage();

    std::string initialText_;
    std::string resultText_;
    int endCode_ = kAccepted;
    bool ending_ = false;
    SelectionPopupWindow* window_ = nullptr;
    QEventLoop* loop_ = nullptr;
};
