#pragma once
// gbOrv15 and gbOrv18: eight port buttons, the operator's port labels and their editor. The two
// boxes share one shape; they differ in a few pixels, the tags of their ports and their handlers.
#include <QByteArray>
#include <QRect>

#include <array>

#include "gui/panels/panel_box.h"

class QLineEdit;
class QPushButton;

class PortBox : public PanelBox {
 public:
  static constexpr int kPorts = 8;  // the record holds eight port labels

  void showForAddressChange(int slot) override;
  // A status outside the model's ports leaves the down button as it was.
  void OppdaterPanel(int Addr) override;
  // The port whose label the editor changes (0 before the first right click).
  int editedPort() const { return editedPort_; }

 protected:
  // Where the two boxes, laid out by hand, differ.
  struct Layout {
    int tagBase;  // a port's button and number label carry tagBase + port
    std::array<int, kPorts> legendLefts, legendTops, labelTops;
    QRect editor, apply;
  };
  PortBox(PanelControlArea& area, const PanelModel& model, QWidget* parent, const Layout& layout);

  // The selected panel to port k, shown on this box's readout and sent.
  void setPort(int k);
  // The selected panel's Status on this box's readout.
  void showSelectedPort();
  // `tag` is the pressed control's.
  void openLabelEditor(int tag);
  // The label goes to the panel the caption names, whichever is selected now.
  void applyLabel();
  void clearLabels();

 private:
  virtual void portClicked(int k) = 0;
  virtual void portRightClicked(int tag) = 0;
  virtual void applyClicked() = 0;
  void nameBox(int address) override;
  void setPortLabel(int port, const QString& text);

  const int tagBase_;
  QLabel* lblName_ = nullptr;
  TSevenSeg* display_ = nullptr;
  std::array<QLabel*, kPorts> portLabels_{};
  std::array<TLatchButton*, kPorts> buttons_{};
  std::array<TCaptionLabel*, kPorts> captions_{};
  QButtonGroup* group_ = nullptr;
  QLineEdit* editor_ = nullptr;
  QPushButton* apply_ = nullptr;
  int editedPort_ = 0;
  // The address the caption names; -1 before it named one.
  int captionAddress_ = -1;
  // The record texts the name and port labels show, as bytes, while they show a record's texts
  // as the last fill left them; empty once anything else set one of them.
  QByteArray shownTexts_;
};

class Orv18Box : public PortBox {
 public:
  Orv18Box(PanelControlArea& area, QWidget* parent);

  // The port click of both port boxes: ssOrv18 shows the port.
  void SettOrv18Knapp(int k) { setPort(k); }
  void Orv18BtnLblRightClick(int tag) { openLabelEditor(tag); }
  void btnOrv18TextClick() { applyLabel(); }
  void Orv18ClearLabels() { clearLabels(); }

 private:
  void portClicked(int k) override { SettOrv18Knapp(k); }
  void portRightClicked(int tag) override { Orv18BtnLblRightClick(tag); }
  void applyClicked() override { btnOrv18TextClick(); }
};

class Orv15Box : public PortBox {
 public:
  Orv15Box(PanelControlArea& area, QWidget* parent);

  // SettOrv18Knapp, and the Orv15 readout follows at once.
  void sbOrv15Click(int k);
  void Orv15BtnLblRightClick(int tag) { openLabelEditor(tag); }
  void btnOrv15TextClick() { applyLabel(); }
  void Orv15ClearLabels() { clearLabels(); }

 private:
  void portClicked(int k) override { sbOrv15Click(k); }
  void portRightClicked(int tag) override { Orv15BtnLblRightClick(tag); }
  void applyClicked() override { btnOrv15TextClick(); }
};
