// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/DialogKeys.h"

#include <QAbstractButton>
#include <QWidget>

namespace dialogkeys {

int ArrowStep(int key)
{
    switch (key) {
    case Qt::Key_Up:
    case Qt::Key_Left:
        return -1;
    case Qt::Key_Down:
    case Qt::Key_Right:
        return 1;
    default:
        return 0;
    }
}

namespace {

qsizetype RoundIndex(qsizetype index, qsizetype count)
{
    return (index % count + count) % count;
}

}  // namespace

bool FocusNextStop(const QList<QWidget*>& ring, qsizetype from, bool forward,
                   const std::function<bool(const QWidget*)>& isTabStop)
{
    const qsizetype count = ring.size();
    for (qsizetype step = 1; step <= count; ++step) {
        QWidget* w = ring[RoundIndex(from + (forward ? step : -step), count)];
        if (isTabStop(w) && w->isEnabled() && w->isVisible()) {
            w->setFocus(forward ? Qt::TabFocusReason : Qt::BacktabFocusReason);
            return true;
        }
    }
    return false;
}

bool MoveCheck(const QList<QAbstractButton*>& options, const QObject* focused, int step)
{
    qsizetype at = -1;
    for (qsizetype i = 0; i < options.size(); ++i)
        if (options[i] == focused)
            at = i;
    if (at < 0 || step == 0)
        return false;
    const qsizetype count = options.size();
    for (qsizetype n = 1; n < count; ++n) {
        QAbstractButton* option = options[RoundIndex(at + step * n, count)];
        if (!option->isEnabled())
            continue;
        option->setFocus(step < 0 ? Qt::BacktabFocusReason : Qt::TabFocusReason);
        if (!option->isChecked())
            option->click();  // checks it and applies its value, as a click would
        return true;
    }
    return true;  // no other option to move to: the key is still the group's
}

}  // namespace dialogkeys
