#pragma once
// The twenty user buttons of the main window: each replays the command file of its slot.
#include <QObject>

#include <array>

class ControllerLink;
class QAction;
class QMenu;
class QPushButton;
class QWidget;

class UserButtons : public QObject {
  Q_OBJECT
 public:
  // Creates btnUsrConf0..19 hidden inside `sbKnapperContent`, and the pop-up menu puUsrBtns.
  UserButtons(QWidget* sbKnapperContent, ControllerLink* link, QObject* parent = nullptr);

  // nullptr outside 0..19.
  QPushButton* button(int k) const;
  QMenu* popupMenu() const { return puUsrBtns; }
  // The button the pop-up menu was last opened on, or -1.
  int popupButton() const { return popupIndex_; }

  // Shows the buttons of the slots in use with their texts; never hides one.
  void UpdateUsrButtons();
  void hideAll();

  // Sends every line of the slot's command file after the header, pausing Delay ms after each.
  void btnUsrConfClick(int indeks);
  // Takes the button the pop-up menu was opened on out of use; its file and texts stay.
  void delBtnClick();

  static constexpr int ButtonWidth = 143;
  static constexpr int ButtonHeight = 38;

 private:
  void openPopup(int k, const QPoint& globalPos);

  std::array<QPushButton*, 20> buttons_{};
  ControllerLink* link_;
  QMenu* puUsrBtns;
  QAction* delBtn;
  int popupIndex_ = -1;
};
