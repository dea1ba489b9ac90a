#pragma once
// The session flow: the scan of the installation, the status poll, the address list, the load of a
// saved configuration and the refresh after status replies. It tells the screen what to show
// through its signals; the main window connects them to its regions.
#include <QList>
#include <QObject>
#include <QString>

class AddressList;
class ControllerLink;
class ReplyWait;

class Session : public QObject {
  Q_OBJECT
 public:
  Session(ControllerLink& link, ReplyWait& wait, AddressList& addresses, QObject* parent = nullptr);

  void RensSkjerm();
  void btnScanClick();
  void OppdaterComboBoxer();
  void OppdaterStatus();
  // Selects the first address and shows and fills its panel.
  void showFirstPanel();
  // The rest of a load once the configuration file is in the table.
  void configurationLoaded();
  void cbAddressChange();
  void lblProduktClick();

 signals:
  // RensSkjerm: the open tuner windows close, the status list goes (RemoveStatus).
  void tunerWindowsClosed();
  void statusListRemoved();
  // The user buttons are to be shown afresh (UpdateUsrButtons).
  void userButtonsChanged();
  // The address list is filled afresh: the model name beside it is cleared.
  void productCleared();
  // The model name and the operator's own name of the picked panel.
  void productShown(const QString& name, const QString& userName);
  void message(const QString& text);
  // The slot's model box alone (VisPanel; none for a slot of no known model).
  void panelShown(int slot);
  // The operator picked the slot: its model box with its caption and readout; a slot of no known
  // model leaves the boxes as they are.
  void panelPicked(int slot);
  // The slot's box shows its status (OppdaterPanel).
  void panelRefreshed(int slot);
  // The status list is built from the table (StatusScroll).
  void statusListBuilt();
  // After a chunk's status replies are in the table: panelRefreshed once per reply in order, then
  // this if the status list is shown, then tunersRefreshed.
  void statusListRefreshed();
  // Every open tuner window shows the table again.
  void tunersRefreshed();

 private:
  void refreshAfterStatusReplies(const QList<int>& addresses);
  void showProductOf(int slot);

  ControllerLink& link_;
  ReplyWait& wait_;
  AddressList& addresses_;
  // The model name on show beside the address list.
  QString shownProduct_;
};
