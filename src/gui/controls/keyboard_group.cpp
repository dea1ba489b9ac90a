#include "gui/controls/keyboard_group.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QEvent>
#include <QKeyEvent>
#include <QScrollArea>

namespace {

class GroupKeys : public QObject {
 public:
  GroupKeys(QButtonGroup* group, int columns) : QObject(group), group_(group), columns_(columns) {
    for (QAbstractButton* b : group->buttons()) {
      b->setFocusPolicy(Qt::TabFocus);  // a click leaves the focus where it is, so the faces stay as they were
      b->installEventFilter(this);
    }
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    auto* button = qobject_cast<QAbstractButton*>(watched);  // none while a button is being destroyed
    if (!button) return false;
    if (event->type() == QEvent::FocusIn) {
      becomeTabStop(button);
    } else if (event->type() == QEvent::KeyPress) {
      return keyPressed(button, static_cast<QKeyEvent*>(event));
    }
    return false;
  }

 private:
  bool keyPressed(QAbstractButton* button, QKeyEvent* key) {
    if (key->modifiers() & ~Qt::KeypadModifier) return false;
    const int row = columns_ > 0 ? columns_ : 1;
    switch (key->key()) {
      case Qt::Key_Left: moveFocus(button, -1); return true;
      case Qt::Key_Right: moveFocus(button, 1); return true;
      case Qt::Key_Up: moveFocus(button, -row); return true;
      case Qt::Key_Down: moveFocus(button, row); return true;
      case Qt::Key_Return:
      case Qt::Key_Enter:
        if (!key->isAutoRepeat()) button->click();
        return true;
      default: return false;
    }
  }

  // To the next button that can be used, `by` steps on in the group's order; none at the ends.
  void moveFocus(QAbstractButton* from, int by) {
    const QList<QAbstractButton*> buttons = group_->buttons();
    for (qsizetype i = buttons.indexOf(from) + by; i >= 0 && i < buttons.size(); i += by) {
      QAbstractButton* to = buttons[i];
      if (to->isVisibleTo(to->window()) && to->isEnabled()) {
        to->setFocus(by < 0 ? Qt::BacktabFocusReason : Qt::TabFocusReason);
        return;
      }
    }
  }

  void becomeTabStop(QAbstractButton* focused) {
    for (QAbstractButton* b : group_->buttons()) b->setFocusPolicy(b == focused ? Qt::TabFocus : Qt::NoFocus);
    for (QWidget* w = focused->parentWidget(); w; w = w->parentWidget()) {
      if (auto* scroll = qobject_cast<QScrollArea*>(w)) {
        scroll->ensureWidgetVisible(focused, 0, 0);
        break;
      }
    }
  }

  QButtonGroup* group_;
  int columns_;
};

}  // namespace

void makeKeyboardGroup(QButtonGroup* group, int columns) { new GroupKeys(group, columns); }
