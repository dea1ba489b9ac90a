#include "core/session/session.h"

#include "core/link/controller_link.h"
#include "core/link/protocol.h"
#include "core/link/reply_wait.h"
#include "core/model/panel_models.h"
#include "core/model/system_table.h"
#include "core/session/address_list.h"

Session::Session(ControllerLink& link, ReplyWait& wait, AddressList& addresses, QObject* parent)
    : QObject(parent), link_(link), wait_(wait), addresses_(addresses) {
  connect(&link_, &ControllerLink::statusRead, this,
          [this](const StatusReplies&, const QList<int>& addresses) { refreshAfterStatusReplies(addresses); });
}

void Session::RensSkjerm() {
  AntallTunere = 0;
  emit tunerWindowsClosed();
  link_.clearLog();
  emit statusListRemoved();
  wait_.forgetArrival();
}

void Session::btnScanClick() {
  RensSkjerm();
  emit userButtonsChanged();
  wait_.expectReply();
  link_.SendCommand(command::nameRequest());
  wait_.waitForReply();
  if (holdsNameReply(RxStr)) GetNames(RxStr);
  OppdaterComboBoxer();
  OppdaterStatus();
  showFirstPanel();
  FirstScanDone = true;
  emit statusListBuilt();
}

void Session::OppdaterComboBoxer() {
  // The list names each panel by its own address, which a loaded file or an odd name reply can
  // give apart from its slot; an entry then stands for the slot its address names.
  QList<int> addresses;
  for (int n = 1; n < SystemSlots; ++n)
    if (SystemArray[n].I_bruk) addresses << SystemArray[n].Adresse;
  emit productCleared();
  addresses_.setAddresses(addresses);
  // An empty list names slot 0.
  showProductOf(addresses.isEmpty() ? 0 : addresses.first());
}

void Session::OppdaterStatus() {
  for (int n = 1; n < SystemSlots; ++n) {
    if (wait_.sessionEnded()) return;  // the program is ending: no more requests
    if (!SystemArray[n].I_bruk) continue;
    const QString request = command::statusRequest(SystemArray[n].Adresse);
    link_.appendLog(QStringLiteral("Tx to server: ") + request);
    wait_.expectReply();
    link_.SendCommand(request);
    wait_.pause(Delay);
    wait_.waitForReply();
    // The reply in hand is taken again, as read on arrival: a value changed meanwhile gives way to
    // it, and one that could not be read ends the poll with its error.
    applyStatusReplies(wait_.statusInHand());
  }
}

void Session::showFirstPanel() {
  // Whatever the operator picked or typed during the poll gives way to the first entry.
  addresses_.select(0);
  const int i = addresses_.selectedSlot();
  if (!isSystemSlot(i)) return;
  emit panelShown(i);
  emit panelRefreshed(i);
}

void Session::configurationLoaded() {
  if (FirstScanDone) RensSkjerm();
  OppdaterComboBoxer();
  OppdaterStatus();
  showFirstPanel();
  FirstScanDone = true;
  emit statusListBuilt();
}

void Session::refreshAfterStatusReplies(const QList<int>& addresses) {
  for (int a : addresses) emit panelRefreshed(a);
  if (StatusShown) emit statusListRefreshed();
  emit tunersRefreshed();
}

void Session::cbAddressChange() {
  const int i = addresses_.selectedSlot();
  // A typed address that names no slot shows nothing.
  if (!isSystemSlot(i)) return;
  showProductOf(i);
  emit panelPicked(i);
  emit panelRefreshed(i);
}

void Session::showProductOf(int slot) {
  if (!isSystemSlot(slot)) return;
  shownProduct_ = SystemArray[slot].Navn.text();
  emit productShown(shownProduct_, SystemArray[slot].BrukerDef.text());
}

void Session::lblProduktClick() {
  const PanelModel* model = panelModelNamed(shownProduct_);
  emit message(model ? model->description : QString());
}
