#pragma once
// The status overview: one run-time block per panel in use whose model's row asks for one, inside
// scrollStatus. Each block control carries its role, model and slot as its name ("ssOrv11_10").
#include <QObject>
#include <QPointer>
#include <QString>

#include <map>
#include <utility>

class AddressList;
class QLabel;
class QPushButton;
class QScrollArea;
class QWidget;
class TSevenSeg;
struct PanelModel;

class StatusList : public QObject {
  Q_OBJECT
 public:
  static constexpr int ssHeight = 60;
  static constexpr int ssWidth = 40;
  static constexpr int btnLeft = 54;
  static constexpr int btnTop = 42;
  static constexpr int btnHeight = 25;
  static constexpr int btnWidth = 75;
  static constexpr int ScrollFontSize = 10;

  // The blocks go into scrollStatus's content widget (created if it has none).
  StatusList(QScrollArea* scrollStatus, AddressList* addresses, QObject* parent = nullptr);

  void StatusScroll();
  void RemoveStatus();
  void OppdaterScrollBox();
  void ShowCorrectPanel(QObject* Sender);

 signals:
  // A block's "Select panel" button made its panel the current entry of the address list.
  void panelSelected();
  // A block's tuner button was pressed.
  void tunerRequested(int tunerNr);

 private:
  // The controls of the block of one slot and model; a control a removal did not reach stays here
  // until a build of the same slot and model replaces it.
  struct Block {
    QPointer<TSevenSeg> ss;
    QPointer<QLabel> description;  // "lbl"
    QPointer<QLabel> name;         // "lbl2"
    QPointer<QPushButton> select;  // "btn"
    QPointer<QPushButton> tuner;   // "btn2", not in every tuner's block
    int shownStatus = 0;           // what ss shows; every reply refreshes every block, most change none
  };
  using BlockKey = std::pair<int, const PanelModel*>;

  void buildBlock(int n, const PanelModel& model, int r);
  void destroyBlock(Block& block);
  void fitContent();
  // Makes the slot's entry the address list's current one; false if the list has none.
  bool selectSlot(int slot);

  QScrollArea* scrollStatus_;
  AddressList* addresses_;
  QPointer<QWidget> content_;
  // In slot order: the refresh after every reply walks them.
  std::map<BlockKey, Block> blocks_;
};
