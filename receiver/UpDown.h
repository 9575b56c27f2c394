// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A pair of arrow buttons that step a number shown in a label beside them, as the
// receiver's tuning and clock controls. It holds no value of its own: it reports
// each step and the window applies it (value -= step). A click on the up arrow
// reports -1, on the down arrow +1; while an arrow is held the steps repeat and
// grow (1, then 5 after 2 s, then 20 after 5 s). The Up and Down keys step by one
// while it has focus. Window thread only.

#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

class QLabel;
class QToolButton;

class UpDown : public QWidget {
    Q_OBJECT

public:
    static constexpr int kWidth = 18;              // pixels, taken from the buddy label
    static constexpr int kRepeatDelayMs = 500;     // held this long before repeating
    static constexpr int kRepeatIntervalMs = 100;  // between repeated steps

    // The step after an arrow has been held this long, in milliseconds.
    static int AcceleratedStep(qint64 heldMs);

    explicit UpDown(QWidget* parent = nullptr);

    // Sits at the label's left edge at its height; the label moves right and
    // narrows by the arrows' width.
    void setBuddy(QLabel* label);
    QLabel* buddy() const { return buddy_; }
    QToolButton* upArrow() const { return up_; }
    QToolButton* downArrow() const { return down_; }

signals:
    // The change the operator asked for; negative raises the value.
    void deltaPos(int step);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void layOutArrows();
    void pressArrow(int direction);
    void repeatStep();
    void releaseArrow();

    QToolButton* up_;
    QToolButton* down_;
    QLabel* buddy_ = nullptr;
    QTimer repeat_;
    QElapsedTimer held_;
    int direction_ = 0;  // -1 up, +1 down, 0 none held
};
