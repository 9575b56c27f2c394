#include "ReceivedTextEdit.h"

#include "Windows1252.h"

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

void ReceivedTextEdit::selectRange(int from, int to)
{
    const int length = textLength();
    QTextCursor cursor = textCursor();
    cursor.setPosition(std::clamp(from, 0, length));
    cursor.setPosition(std::clamp(to, 0, length), QTextCursor::KeepAnchor);
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
