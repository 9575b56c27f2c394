// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The text pane the decoder writes into. The receiver window implements it on its
// text widget; tests use a string. Characters are Windows-1252 bytes; a line feed
// is one character. Called on the window thread only.

class ReceivedTextPane {
public:
    virtual ~ReceivedTextPane() = default;
    virtual int textLength() const = 0;
    virtual void selectRange(int from, int to) = 0;
    virtual void deleteSelection() = 0;
    // Replaces the selection with a zero-terminated Windows-1252 string, not undoable.
    virtual void replaceSelection(const char* text) = 0;
    virtual void scrollToCaret() = 0;
};
