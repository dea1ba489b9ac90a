#pragma once
// Buttons of one exclusive group used from the keyboard as a group is on this desktop.
class QButtonGroup;

// Tab reaches the group's buttons as one stop, the one last used (any of them at first); the arrow
// keys move the focus between them without pressing any; Space, Enter and Return press the one with
// the focus. With `columns` > 0 the buttons lie in rows of that many in the group's order and Up and
// Down move by a row; otherwise every arrow moves along the one row. Inside a scroll area the
// focused button is scrolled into view. Call it once all the buttons are in the group.
void makeKeyboardGroup(QButtonGroup* group, int columns = 0);
