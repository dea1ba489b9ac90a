#include "core/session/session.h"

#include "core/link/controller_link.h"
#include "core/link/protocol.h"
#include "core/model/system_table.h"
#include "core/session/session_screen.h"

Session::Session(ControllerLink& link, SessionScreen& screen) : link_(link), screen_(screen) {
  link_.onStatusReplies = [this](const QList<int>& addresses) { refreshAfterStatusReplies(addresses); };
}

Session::~Session() { link_.onStatusReplies = nullptr; }

void Session::RensSkjerm() {
  AntallTunere = 0;
  screen_.closeTunerWindows();
  link_.clearLog();
  screen_.RemoveStatus();
  StrengMottatt = false;
}

void Session::btnScanClick() {
  RensSkjerm();
  screen_.UpdateUsrButtons();
  RxStr.clear();
  link_.SendCommand(command::nameRequest());
  link_.waitForReply();
  // A name reply starts with "#0xFF": "0xFF" from the second character on.
  if (RxStr.indexOf(u"0xFF") >= 1) GetNames(RxStr);
  OppdaterComboBoxer();
  OppdaterStatus();
  showFirstPanel();
  FirstScanDone = true;
  screen_.StatusScroll();
}

void Session::OppdaterComboBoxer() {
  // The list names each panel by its own address, which a loaded file or an odd name reply can
  // give apart from its slot; an entry then stands for the slot its address names.
  QList<int> addresses;
  for (int n = 1; n < SystemSlots; ++n)
    if (SystemArray[n].I_bruk) addresses << SystemArray[n].Adresse;
  screen_.setAddressList(addresses);
  // An empty list names slot 0.
  showProductOf(addresses.isEmpty() ? 0 : addresses.first());
}

void Session::OppdaterStatus() {
  for (int n = 1; n < SystemSlots; ++n) {
    if (link_.sessionEnded()) return;  // the program is ending: no more requests
    if (!SystemArray[n].I_bruk) continue;
    const QString request = command::statusRequest(SystemArray[n].Adresse);
    link_.appendLog(QStringLiteral("Tx to server: ") + request);
    RxStr.clear();
    StrengMottatt = false;
    link_.SendCommand(request);
    link_.pause(Delay);
    link_.waitForReply();
    if (RxStr.contains(u"Ret X")) GetStatus(RxStr);
  }
}

void Session::showFirstPanel() {
  // Whatever the operator picked or typed during the poll gives way to the first entry.
  screen_.selectFirstAddress();
  const int i = screen_.selectedSlot();
  if (!isSystemSlot(i)) return;
  screen_.VisPanel(i);
  screen_.OppdaterPanel(i);
}

void Session::configurationLoaded() {
  if (FirstScanDone) RensSkjerm();
  OppdaterComboBoxer();
  OppdaterStatus();
  showFirstPanel();
  FirstScanDone = true;
  screen_.StatusScroll();
}

void Session::refreshAfterStatusReplies(const QList<int>& addresses) {
  for (int a : addresses) screen_.OppdaterPanel(a);
  if (StatusShown) screen_.refreshStatusList();
  screen_.refreshTuners();
}

void Session::cbAddressChange() {
  const int i = screen_.selectedSlot();
  // A typed address that names no slot shows nothing.
  if (!isSystemSlot(i)) return;
  showProductOf(i);
  screen_.showForAddressChange(i);
  screen_.OppdaterPanel(i);
}

void Session::showProductOf(int slot) {
  if (!isSystemSlot(slot)) return;
  shownProduct_ = SystemArray[slot].Navn.text();
  screen_.showProduct(shownProduct_, SystemArray[slot].BrukerDef.text());
}

void Session::lblProduktClick() {
  QString text;
  if (shownProduct_ == u"Orv0")
    text = Orv0Navn;
  else if (shownProduct_ == u"Orv11")
    text = Orv11Navn;
  else if (shownProduct_ == u"Orv15")
    text = Orv15Navn;
  else if (shownProduct_ == u"Orv18")
    text = Orv18Navn;
  screen_.showMessage(text);
}
