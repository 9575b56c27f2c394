// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The received-text pane: a plain-text editor the decoder appends to, one
// Windows-1252 byte at a time, and the operator may type and edit in as well.
// Every insertion goes at the end, wherever the operator left the caret; received
// text cannot be undone away. Window thread only.

#include "modem/varicode/ReceivedTextPane.h"

#include <QPlainTextEdit>

class ReceivedTextEdit : public QPlainTextEdit, public ReceivedTextPane {
    Q_OBJECT

public:
    explicit ReceivedTextEdit(QWidget* parent = nullptr);

    int textLength() const override;
    void selectRange(int from, int to) override;
    void deleteSelection() override;
    void replaceSelection(const char* text) override;
    void scrollToCaret() override;

    // The word at this position: the letters, digits and '/' around it, as a call
    // is written; empty between words.
    QString wordAt(int position) const;

signals:
    // The operator double-clicked this word (as wordAt gives it): the other
    // station's call, if it is one.
    void wordDoubleClicked(const QString& word);

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    bool splitsCharacter(int position) const;
};
