#pragma once
// The antenna tuner window: 48 memories of one tuner, recalled by a left click and edited from a
// right-click menu. Tuners 1 and 2 each have one window of this design.
#include <QDialog>
#include <QPoint>
#include <QRect>
#include <QSize>

#include <array>

#include "core/model/records.h"

class ControllerLink;
class QButtonGroup;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QScrollArea;
class TSevenSeg;
struct TTunerRecord;

namespace tuner {

constexpr int MemoryButtons = TunerMemories;

// Where memory button k (1..48) sits inside the scroll box.
QRect memoryButtonRect(int k);

// Half of `width`, a half rounded to the even neighbour (95 gives 48).
int halfRoundedEven(int width);

// The screen point where the button menu opens: window left + button left + half the button width,
// window top + button top + button height + the mouse's height within the button.
QPoint popupPoint(QPoint windowTopLeft, QRect button, int mouseY);

}  // namespace tuner

class TfrmTuner : public QDialog {
  Q_OBJECT
 public:
  int tunerNr() const { return tunerNr_; }
  // Shown and not yet closed; Tuner1Shown or Tuner2Shown says the same to the table's readers.
  bool isOpen() const { return openFlag(); }

  // Opens the window (or updates and raises it when it is open already), modeless.
  void openWindow();
  // The display's caption; set by the panel refresh whether or not the window is open.
  void setDisplay(const QString& text);
  // Display := the status of the panel in use that carries this tuner's number.
  void OppdaterTuner();
  void UpDateButtons();

  void FormShow();
  void btnxClick(int k);
  void Configbutton1Click();
  void btnSaveClick();
  void Savenewvalue1Click();
  void btnCloseClick();
  void FormClose();

  QPushButton* memoryButton(int k) const;  // nullptr outside 1..48
  TSevenSeg* display() const { return ssOrv11; }
  QMenu* buttonMenu() const { return pumBtn; }

 protected:
  TfrmTuner(int tunerNr, ControllerLink* link, QWidget* parent);

  // Right mouse button on memory button k: KnappNr := k and the menu opens.
  void memoryMouseDown(int k, Qt::MouseButton button, QPoint posInButton);
  virtual void mouseDownOn(int k, Qt::MouseButton button, QPoint posInButton) = 0;

  bool eventFilter(QObject* watched, QEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void done(int result) override;

 private:
  TTunerRecord& record() const;
  bool& openFlag() const;
  void showLabelEditor(bool visible);
  void nameMemoryButtons();

  int tunerNr_;
  ControllerLink* link_;

  QGroupBox* gbOrv11;
  QLabel* lblOrv11;
  TSevenSeg* ssOrv11;
  QScrollArea* sbKnapper;
  std::array<QPushButton*, tuner::MemoryButtons> btn{};
  QButtonGroup* memoryGroup;
  QLabel* lblLine1;
  QLineEdit* leLine1;
  QLabel* lblLine2;
  QLineEdit* leLine2;
  QPushButton* btnSave;
  QPushButton* btnClose;
  QMenu* pumBtn;
};

class TfrmTuner1 : public TfrmTuner {
  Q_OBJECT
 public:
  explicit TfrmTuner1(ControllerLink* link, QWidget* parent = nullptr);
  void btnxMouseDown(int k, Qt::MouseButton button, QPoint posInButton);

 protected:
  void mouseDownOn(int k, Qt::MouseButton button, QPoint posInButton) override;
};

class TfrmTuner2 : public TfrmTuner {
  Q_OBJECT
 public:
  explicit TfrmTuner2(ControllerLink* link, QWidget* parent = nullptr);
  void btn1MouseDown(int k, Qt::MouseButton button, QPoint posInButton);

 protected:
  void mouseDownOn(int k, Qt::MouseButton button, QPoint posInButton) override;
};
