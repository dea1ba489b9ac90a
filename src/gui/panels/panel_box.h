#pragma once
// One group box of the control area: the controls of one model of the panel-model table.
#include <QObject>
#include <QString>

class PanelControlArea;
class QButtonGroup;
class QFont;
class QGroupBox;
class QLabel;
class QWidget;
class TCaptionLabel;
class TLatchButton;
class TSevenSeg;
struct PanelModel;
struct TSystemRecord;

class PanelBox : public QObject {
 public:
  const PanelModel& model() const { return model_; }
  QGroupBox* box() const { return box_; }

  // Shows the box with its caption naming the record's address.
  void VisPanel(const TSystemRecord& rec);
  // The box's part of the address-list change, once the area has shown it.
  virtual void showForAddressChange(int slot) = 0;
  // Fills the box from slot Addr, a slot in use of the box's model.
  virtual void OppdaterPanel(int Addr) = 0;
  virtual void hideForDisconnect();

 protected:
  // The box is made hidden at its place in `parent`.
  PanelBox(PanelControlArea& area, const PanelModel& model, QWidget* parent, int width, const QString& title);
  // "Orv11 @ address 0x06" as the caption.
  virtual void nameBox(int address);
  // The slot the click actions work on.
  int selectedSlot() const;
  void OppdaterEnhet(int Adr);
  PanelControlArea& area() const { return area_; }

 private:
  PanelControlArea& area_;
  const PanelModel& model_;
  QGroupBox* box_;
};

// The parts the boxes are built of; "Comic Sans MS" is the font of every text in them.
namespace boxparts {

constexpr int kModelBoxWidth = 526;

QFont comic(int pixels, bool bold);
QLabel* makeLabel(QWidget* parent, const QString& name, int left, int top, const QFont& font,
                  const QString& text = QString());
// Every reply refreshes the box; most leave its labels as they are.
void setLabelText(QLabel* label, const QString& text);
TSevenSeg* makeDisplay(QWidget* parent, const QString& name, int width, int digits, const QString& spokenName);
// A latching button with its caption label laid over it.
TLatchButton* makeLatch(QWidget* parent, QButtonGroup* group, const QString& name, int left, TCaptionLabel** caption,
                        const QString& text, int captionLeft, int captionWidth);

}  // namespace boxparts
