// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A push button the program paints itself: a solid fill, a one-line caption centred
// in its own colour, and a bump edge (raised outer, sunken inner border) all round.
// It looks the same pressed, focused or disabled. Window thread only.

#include <QAbstractButton>
#include <QColor>
#include <QFont>
#include <QString>

class DrawnButton : public QAbstractButton {
    Q_OBJECT
public:
    DrawnButton(const QString& caption, QColor fill, QColor captionColour, QWidget* parent = nullptr);

    // Character height of the caption font as a logical-font height: negative, and
    // 8 points at the surface's pixels per inch, truncated toward zero (-10 at 96).
    static int captionFontHeight(int pixelsPerInch);
    // "MS Sans Serif" (or the nearest sans serif face) at that character height.
    static QFont captionFont(int pixelsPerInch);

    QString caption() const { return caption_; }
    QColor fill() const { return fill_; }
    QColor captionColour() const { return captionColour_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString caption_;
    QColor fill_;
    QColor captionColour_;
};
