// SPDX-License-Identifier: GPL-3.0-or-later
#include "receiver/ReceivedTextEdit.h"

#include "modem/varicode/Windows1252.h"

#include <QMouseEvent>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>

ReceivedTextEdit::ReceivedTextEdit(QWidget* parent) : QPlainTextEdit(parent)
{
    setUndoRedoEnabled(false);
    setTabChangesFocus(true);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
}

int ReceivedTextEdit::textLength() const
{
    // The document counts one more: the separator that ends its last block.
    return document()->characterCount() - 1;
}

bool ReceivedTextEdit::splitsCharacter(int position) const
{
    // Positions count UTF-16 units: a character outside the Basic Multilingual
    // Plane (typed into the pane) takes two, and no edge may fall between them.
    return position > 0 && position < textLength() &&
           document()->characterAt(position - 1).isHighSurrogate() && document()->characterAt(position).isLowSurrogate();
}

void ReceivedTextEdit::selectRange(int from, int to)
{
    const int length = textLength();
    from = std::clamp(from, 0, length);
    to = std::clamp(to, 0, length);
    // A range that would cut a character in two takes the whole character, so a
    // received backspace removes one character, never half of one.
    if (splitsCharacter(from))
        from += from <= to ? -1 : 1;
    if (splitsCharacter(to))
        to += to >= from ? 1 : -1;
    QTextCursor cursor = textCursor();
    cursor.setPosition(from);
    cursor.setPosition(to, QTextCursor::KeepAnchor);
    setTextCursor(cursor);
}

void ReceivedTextEdit::deleteSelection()
{
    QTextCursor cursor = textCursor();
    cursor.removeSelectedText();
    setTextCursor(cursor);
}

void ReceivedTextEdit::replaceSelection(const char* text)
{
    QString shown;
    for (const char* p = text; p != nullptr && *p != '\0'; ++p)
        shown += QChar(static_cast<char16_t>(windows1252::toUnicode(static_cast<std::uint8_t>(*p))));
    QTextCursor cursor = textCursor();
    cursor.insertText(shown);
    setTextCursor(cursor);
}

void ReceivedTextEdit::scrollToCaret()
{
    ensureCursorVisible();
}

namespace {
bool isCallCharacter(QChar c)
{
    return c.isLetterOrNumber() || c == QLatin1Char('/');
}
}  // namespace

QString ReceivedTextEdit::wordAt(int position) const
{
    const int length = textLength();
    int from = std::clamp(position, 0, length);
    int to = from;
    while (from > 0 && isCallCharacter(document()->characterAt(from - 1)))
        --from;
    while (to < length && isCallCharacter(document()->characterAt(to)))
        ++to;
    return toPlainText().mid(from, to - from);
}

void ReceivedTextEdit::mouseDoubleClickEvent(QMouseEvent* event)
{
    QPlainTextEdit::mouseDoubleClickEvent(event);  // selects the word, as ever
    if (event->button() != Qt::LeftButton)
        return;
    const QString word = wordAt(cursorForPosition(event->position().toPoint()).position());
    if (!word.isEmpty())
        emit wordDoubleClicked(word);
}
