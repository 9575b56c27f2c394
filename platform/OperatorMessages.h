// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Message boxes and beeps, behind an interface so tests see the texts without a
// modal box blocking them. Window thread only. showMessage() returns once the
// operator has acknowledged the box; the box has no owner, so the program's
// windows stay usable meanwhile (its loop keeps handling their events).

#include <string>

enum class MessageIcon { None, Exclamation, Stop };

class OperatorMessages {
public:
    virtual ~OperatorMessages() = default;
    virtual void beepExclamation() = 0;
    virtual void showMessage(const std::string& title, const std::string& text, MessageIcon icon) = 0;
};
