#pragma once
#include <QWidget>

// Puts a top-level window in the middle of its parent's window; without a parent it stays where
// the window system put it.
inline void centreOnParent(QWidget* window) {
  QWidget* parent = window->parentWidget();
  if (!parent) return;
  QRect frame = window->frameGeometry();
  frame.moveCenter(parent->window()->frameGeometry().center());
  window->move(frame.topLeft());
}
