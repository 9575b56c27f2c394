// SPDX-License-Identifier: GPL-3.0-or-later
#include "receiver/UpDown.h"

#include <QKeyEvent>
#include <QLabel>
#include <QToolButton>

namespace {

struct Acceleration {
    qint64 afterMs;
    int step;
};

// The classic up-down acceleration: single steps, then fives, then twenties.
constexpr Acceleration kAccelerations[] = {{0, 1}, {2000, 5}, {5000, 20}};

constexpr int kUp = -1;
constexpr int kDown = 1;

}  // namespace

int UpDown::AcceleratedStep(qint64 heldMs)
{
    int step = 1;
    for (const Acceleration& a : kAccelerations)
        if (heldMs >= a.afterMs)
            step = a.step;
    return step;
}

UpDown::UpDown(QWidget* parent)
    : QWidget(parent), up_(new QToolButton(this)), down_(new QToolButton(this))
{
    setFocusPolicy(Qt::ClickFocus);
    for (QToolButton* arrow : {up_, down_}) {
        arrow->setFocusPolicy(Qt::NoFocus);
        arrow->setAutoRepeat(false);
    }
    up_->setArrowType(Qt::UpArrow);
    down_->setArrowType(Qt::DownArrow);
    up_->setAccessibleName(QStringLiteral("Up"));
    down_->setAccessibleName(QStringLiteral("Down"));
    connect(up_, &QToolButton::pressed, this, [this] { pressArrow(kUp); });
    connect(down_, &QToolButton::pressed, this, [this] { pressArrow(kDown); });
    connect(up_, &QToolButton::released, this, &UpDown::releaseArrow);
    connect(down_, &QToolButton::released, this, &UpDown::releaseArrow);
    repeat_.setSingleShot(false);
    connect(&repeat_, &QTimer::timeout, this, &UpDown::repeatStep);
    resize(kWidth, 2 * kWidth);
    layOutArrows();
}

void UpDown::setBuddy(QLabel* label)
{
    buddy_ = label;
    if (label == nullptr)
        return;
    const QRect r = label->geometry();
    setGeometry(r.x(), r.y(), kWidth, r.height());
    label->setGeometry(r.x() + kWidth, r.y(), r.width() - kWidth, r.height());
    layOutArrows();
}

void UpDown::resizeEvent(QResizeEvent*)
{
    layOutArrows();
}

void UpDown::layOutArrows()
{
    const int half = height() / 2;
    up_->setGeometry(0, 0, width(), half);
    down_->setGeometry(0, half, width(), height() - half);
}

void UpDown::pressArrow(int direction)
{
    direction_ = direction;
    held_.start();
    emit deltaPos(direction);
    repeat_.start(kRepeatDelayMs);
}

void UpDown::repeatStep()
{
    if (direction_ == 0) {
        repeat_.stop();
        return;
    }
    repeat_.setInterval(kRepeatIntervalMs);
    emit deltaPos(direction_ * AcceleratedStep(held_.elapsed()));
}

void UpDown::releaseArrow()
{
    direction_ = 0;
    repeat_.stop();
}

void UpDown::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Up)
        emit deltaPos(kUp);
    else if (event->key() == Qt::Key_Down)
        emit deltaPos(kDown);
    else
        QWidget::keyPressEvent(event);
}
