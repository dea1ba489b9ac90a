#pragma once
// The control area of the main window: one box per panel model, showing the selected panel and
// switching, stepping and labelling it. The area hands each slot to the box of its model's row.
#include <QList>
#include <QObject>
#include <QString>

#include <vector>

class AddressList;
class ControllerLink;
class Orv0Box;
class Orv11Box;
class Orv15Box;
class Orv18Box;
class PanelBox;
class QGroupBox;
class QWidget;

class PanelControlArea : public QObject {
  Q_OBJECT
 public:
  // Creates gbOrv0, gbOrv11, gbOrv15 and gbOrv18, hidden, as children of clientArea.
  PanelControlArea(QWidget* clientArea, ControllerLink* link, AddressList* addresses, QObject* parent = nullptr);

  QGroupBox* gbOrv0 = nullptr;
  QGroupBox* gbOrv11 = nullptr;
  QGroupBox* gbOrv15 = nullptr;
  QGroupBox* gbOrv18 = nullptr;
  // Every model's box, in the order of the panel-model table.
  QList<QGroupBox*> modelBoxes() const;

  void placeFrames();
  void VisPanel(int Addr);
  void OppdaterPanel(int Addr);
  // The box part of the address-list change: shows the slot's box with its caption and readout;
  // a slot of no known model leaves the boxes as they are.
  void showForAddressChange(int slot);
  void hideModelBoxes();
  void Orv18ClearLabels();
  void Orv15ClearLabels();

  // Click actions; they work on the slot the address list names.
  void SettOrv18Knapp(int k);
  void sbOrv15Click(int k);
  void sbOrv11_1ppClick();
  void sbOrv11_1PClick();
  void sbOrv11_1MClick();
  void spOrv11_1NNClick();
  void OppdaterEnhet(int Adr);

  // Label editor; `tag` is the pressed control's tag (150 + k or 180 + k).
  void Orv15BtnLblRightClick(int tag);
  void Orv18BtnLblRightClick(int tag);
  void btnOrv15TextClick();
  void btnOrv18TextClick();
  // The port whose label the editor of that box changes (0 before the first right click).
  int orv15EditedPort() const;
  int orv18EditedPort() const;

 signals:
  // OppdaterPanel of an Orv11 numbered 1 or 2 showed this readout text.
  void tunerDisplayChanged(int tunerNr, const QString& caption);

 private:
  friend class PanelBox;
  // The box of the slot's model, or nullptr.
  PanelBox* boxOf(int slot) const;
  int selectedSlot() const;

  ControllerLink* link_;
  AddressList* addresses_;
  Orv0Box* orv0_;
  Orv11Box* orv11_;
  Orv15Box* orv15_;
  Orv18Box* orv18_;
  // In the order they were made, which is also their Tab order.
  std::vector<PanelBox*> boxes_;
};
