// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Dialog units to pixels, the way dialog templates are laid out: a horizontal unit
// is a quarter of the dialog font's average character width, a vertical unit an
// eighth of its height. The average width is that of the 52 Latin letters, rounded.

#include <QFont>
#include <QFontMetrics>
#include <QRect>
#include <QString>

struct DialogUnits {
    int baseWidth;   // pixels of 4 horizontal units
    int baseHeight;  // pixels of 8 vertical units

    static DialogUnits forFont(const QFont& font)
    {
        const QFontMetrics metrics(font);
        const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
        const int average = (metrics.horizontalAdvance(letters) / 26 + 1) / 2;
        return {average, metrics.height()};
    }

    // Rounded to the nearest pixel, halves away from zero, as dialog templates are.
    int x(int units) const { return scaled(units, baseWidth, 4); }
    int y(int units) const { return scaled(units, baseHeight, 8); }
    QRect rect(int x0, int y0, int width, int height) const { return QRect(x(x0), y(y0), x(width), y(height)); }

    static int scaled(int units, int base, int divisor)
    {
        const int product = units * base;
        return product >= 0 ? (product + divisor / 2) / divisor : -((-product + divisor / 2) / divisor);
    }
};

// The dialog font of both windows: 8-point "MS Sans Serif", or the nearest sans
// serif face the system has.
inline QFont dialogFont()
{
    QFont font(QStringLiteral("MS Sans Serif"), 8);
    font.setStyleHint(QFont::SansSerif);
    return font;
}
