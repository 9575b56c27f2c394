// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The keyboard of a classic dialog, for windows built from plain widgets: Tab goes
// round the tab stops in creation order (every option of a group that is one, not
// only the checked option, as Qt's own chain would), and the arrow keys move the
// check round a group of options as automatic radio buttons do. Window thread only.

#include <QList>

#include <functional>

class QAbstractButton;
class QObject;
class QWidget;

namespace dialogkeys {

// The step an arrow key takes within a group: -1 for Up and Left, +1 for Down and
// Right, 0 for any other key.
int ArrowStep(int key);

// Focuses the next (forward) or previous control of the ring after the one at
// index `from` (-1 or ring.size() to start at an end) that is enabled, visible and
// a tab stop. False when there is none.
bool FocusNextStop(const QList<QWidget*>& ring, qsizetype from, bool forward,
                   const std::function<bool(const QWidget*)>& isTabStop);

// Moves the focus and the check from `focused` to the next enabled option `step`
// places on, round the group's ends; clicking it applies its value as a mouse
// click would. False when `focused` is not an option of the group.
bool MoveCheck(const QList<QAbstractButton*>& options, const QObject* focused, int step);

}  // namespace dialogkeys
