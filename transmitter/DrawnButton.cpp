// SPDX-License-Identifier: GPL-3.0-or-later
#include "transmitter/DrawnButton.h"

#include <QPainter>
#include <QPalette>

namespace {

constexpr int kCaptionPoints = 8;
constexpr int kPointsPerInch = 72;

// A bump edge: the outer ring raised (light above and left, darkest below and
// right), the inner ring sunken (the other way round), one pixel each.
void drawBumpEdge(QPainter& painter, const QRect& rect, const QColor& light, const QColor& dark)
{
    const auto ring = [&painter](const QRect& r, const QColor& topLeft, const QColor& bottomRight) {
        painter.fillRect(QRect(r.left(), r.top(), r.width() - 1, 1), topLeft);
        painter.fillRect(QRect(r.left(), r.top(), 1, r.height() - 1), topLeft);
        painter.fillRect(QRect(r.left(), r.bottom(), r.width(), 1), bottomRight);
        painter.fillRect(QRect(r.right(), r.top(), 1, r.height()), bottomRight);
    };
    ring(rect, light, dark);
    if (rect.width() > 2 && rect.height() > 2)
        ring(rect.adjusted(1, 1, -1, -1), dark, light);
}

}  // namespace

DrawnButton::DrawnButton(const QString& caption, QColor fill, QColor captionColour, QWidget* parent)
    : QAbstractButton(parent), caption_(caption), fill_(fill), captionColour_(captionColour)
{
    // The caption lives only in the drawing; the button itself carries no text.
    setFocusPolicy(Qt::NoFocus);
}

int DrawnButton::captionFontHeight(int pixelsPerInch)
{
    return -(pixelsPerInch * kCaptionPoints) / kPointsPerInch;
}

QFont DrawnButton::captionFont(int pixelsPerInch)
{
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    // A negative logical-font height is the character height in pixels.
    font.setPixelSize(-captionFontHeight(pixelsPerInch));
    return font;
}

void DrawnButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QRect area = rect();
    painter.fillRect(area, fill_);
    painter.setFont(captionFont(logicalDpiY()));
    painter.setPen(captionColour_);
    // No mnemonic flag: an ampersand is drawn as itself.
    painter.drawText(area, Qt::AlignCenter | Qt::TextSingleLine | Qt::TextDontClip, caption_);
    // The system's 3D light and dark shadow, as the platform's own edges use.
    drawBumpEdge(painter, area, palette().color(QPalette::Active, QPalette::Midlight),
                 palette().color(QPalette::Active, QPalette::Shadow));
}
