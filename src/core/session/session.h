#pragma once
// The session flow: the scan of the installation, the status poll, the address list, the load of a
// saved configuration and the refresh after status replies. It drives the screen only through
// SessionScreen.
#include <QList>
#include <QString>

class ControllerLink;
class SessionScreen;

class Session {
 public:
  // Takes over the link's status-reply hook for the refresh order.
  Session(ControllerLink& link, SessionScreen& screen);
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  void RensSkjerm();
  void btnScanClick();
  void OppdaterComboBoxer();
  void OppdaterStatus();
  // Selects the first address and shows and fills its panel.
  void showFirstPanel();
  // The rest of a load once the configuration file is in the table.
  void configurationLoaded();
  // After a chunk's status replies are in the table: the control area once per reply in order, then
  // the status list if it is shown, then the open tuner windows.
  void refreshAfterStatusReplies(const QList<int>& addresses);

  void cbAddressChange();
  void lblProduktClick();

 private:
  void showProductOf(int slot);

  ControllerLink& link_;
  SessionScreen& screen_;
  // The model name on show beside the address list.
  QString shownProduct_;
};
