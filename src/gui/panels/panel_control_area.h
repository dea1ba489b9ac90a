#pragma once
// The control area of the main window: one group box per panel model, showing the selected panel
// and switching, stepping and labelling it.
#include <QObject>
#include <QString>

#include <array>
#include <functional>

class AddressList;
class ControllerLink;
class QButtonGroup;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;
class TCaptionLabel;
class TLatchButton;
class TSevenSeg;

class PanelControlArea : public QObject {
  Q_OBJECT
 public:
  // Creates gbOrv0, gbOrv11, gbOrv15 and gbOrv18, hidden, as children of clientArea.
  PanelControlArea(QWidget* clientArea, ControllerLink* link, AddressList* addresses, QObject* parent = nullptr);

  QGroupBox* gbOrv0 = nullptr;
  QGroupBox* gbOrv11 = nullptr;
  QGroupBox* gbOrv15 = nullptr;
  QGroupBox* gbOrv18 = nullptr;

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
  void sbOrv15Click(int k);  // SettOrv18Knapp, and the Orv15 readout follows at once
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
  int orv15EditedPort() const { return orv15_.editedPort; }
  int orv18EditedPort() const { return orv18_.editedPort; }

  // Called by OppdaterPanel of an Orv11 numbered 1 or 2 with its readout text.
  std::function<void(int tunerNr, const QString& caption)> setTunerDisplay;

 private:
  struct PortBox {
    QGroupBox* box = nullptr;
    QLabel* lblName = nullptr;
    TSevenSeg* display = nullptr;
    std::array<QLabel*, 8> portLabels{};
    std::array<TLatchButton*, 8> buttons{};
    std::array<TCaptionLabel*, 8> captions{};
    QButtonGroup* group = nullptr;
    QLineEdit* editor = nullptr;
    QPushButton* apply = nullptr;
    int editedPort = 0;
    // The address the caption names; -1 before it named one.
    int captionAddress = -1;
    // The record texts the name and port labels show, as bytes, while they show a record's texts
    // as the last fill left them; empty once anything else set one of them.
    QByteArray shownTexts;
  };
  void buildOrv0(QWidget* parent);
  void buildOrv11(QWidget* parent);
  PortBox buildPortBox(QWidget* parent, int model);
  void fillPortBox(PortBox& box, int Addr);
  void setPortLabel(PortBox& box, int port, const QString& text);
  void nameBox(PortBox& box, const QString& model, int address);
  void openLabelEditor(PortBox& box, int port);
  void applyLabel(PortBox& box);
  void step(int delta);
  int selectedSlot() const;

  ControllerLink* link_;
  AddressList* addresses_;
  QLabel* lblOrv11 = nullptr;
  TSevenSeg* ssOrv11 = nullptr;
  QButtonGroup* orv11Group_ = nullptr;
  PortBox orv15_;
  PortBox orv18_;
};
