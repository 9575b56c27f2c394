// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Message boxes and beeps through Qt Widgets. A box has no parent and is not modal:
// showMessage() waits for the operator in a local event loop, so the program's
// windows stay usable and their events, sound notifications included, keep being
// handled meanwhile.
// Threads: window thread only.

#include "platform/OperatorMessages.h"

class QtOperatorMessages final : public OperatorMessages {
public:
    void beepExclamation() override;
    void showMessage(const std::string& title, const std::string& text, MessageIcon icon) override;
};
