// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The scope control in the receiver window: a small sunken panel that shows the
// signal display's picture. Once per bit the display hands over its image; the
// widget keeps its own copy (allocated once, overwritten in place) and repaints
// from it, so a repaint also shows a picture left from an earlier reception.
// Window thread only.

#include "receiver/SignalDisplay.h"

#include <QFrame>
#include <QImage>

class ScopeWidget : public QFrame, public DisplayTarget {
    Q_OBJECT

public:
    explicit ScopeWidget(QWidget* parent = nullptr);

    // From the signal display, right after each bit's trace is drawn.
    void showDisplayImage(const QImage& image) override;
    // Copies the picture onto the control.
    void PaintDisplay(QPainter& painter);
    // The window is closing: the picture is given up and nothing is drawn again.
    void ReleaseDisplay();

    bool released() const { return released_; }
    const QImage& shownImage() const { return screen_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage screen_;
    bool released_ = false;
};
