#include "model/scan.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

#include "common/operator_dialogs.h"
#include "link/controller_link.h"
#include "link/protocol.h"
#include "model/formatting.h"
#include "model/system_table.h"

namespace {
void run(const std::function<void()>& f) {
  if (f) f();
}
void run(const std::function<void(int)>& f, int slot) {
  if (f) f(slot);
}
}  // namespace

SystemScan::SystemScan(ControllerLink& link, QComboBox* cbAddress, QLabel* lblProdukt, QLineEdit* edtUserDefName,
                       ScanScreen screen)
    : link_(link), cbAddress_(cbAddress), lblProdukt_(lblProdukt), edtUserDefName_(edtUserDefName),
      screen_(std::move(screen)) {}

void SystemScan::RensSkjerm() {
  AntallTunere = 0;
  run(screen_.closeTunerWindows);
  link_.clearLog();
  run(screen_.RemoveStatus);
  StrengMottatt = false;
}

void SystemScan::btnScanClick() {
  RensSkjerm();
  run(screen_.UpdateUsrButtons);
  RxStr.clear();
  link_.SendCommand(command::nameRequest());
  link_.waitForReply();
  // A name reply starts with "#0xFF": "0xFF" from the second character on.
  if (RxStr.indexOf(u"0xFF") >= 1) GetNames(RxStr);
  OppdaterComboBoxer();
  OppdaterStatus();
  showFirstPanel();
  FirstScanDone = true;
  run(screen_.StatusScroll);
}

void SystemScan::OppdaterComboBoxer() {
  cbAddress_->clear();
  cbAddress_->clearEditText();
  lblProdukt_->clear();
  for (int n = 1; n < SystemSlots; ++n)
    if (SystemArray[n].I_bruk) cbAddress_->addItem(addressText(SystemArray[n].Adresse));
  if (cbAddress_->count() > 0) cbAddress_->setCurrentIndex(0);
  const int i = HexToInt(cbAddress_->currentText());
  if (!isSystemSlot(i)) return;
  lblProdukt_->setText(SystemArray[i].Navn.text());
  edtUserDefName_->setText(SystemArray[i].BrukerDef.text());
}

void SystemScan::OppdaterStatus() {
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

void SystemScan::showFirstPanel() {
  if (cbAddress_->count() > 0) cbAddress_->setCurrentIndex(0);
  const int i = HexToInt(cbAddress_->currentText());
  if (!isSystemSlot(i)) return;
  run(screen_.VisPanel, i);
  run(screen_.OppdaterPanel, i);
}

void SystemScan::cbAddressChange() {
  const int i = HexToInt(cbAddress_->currentText());
  // A typed address that names no slot shows nothing.
  if (!isSystemSlot(i)) return;
  lblProdukt_->setText(SystemArray[i].Navn.text());
  edtUserDefName_->setText(SystemArray[i].BrukerDef.text());
  run(screen_.showForAddressChange, i);
  run(screen_.OppdaterPanel, i);
}

void SystemScan::lblProduktClick() {
  const QString name = lblProdukt_->text();
  QString text;
  if (name == u"Orv0") text = Orv0Navn;
  else if (name == u"Orv11") text = Orv11Navn;
  else if (name == u"Orv15") text = Orv15Navn;
  else if (name == u"Orv18") text = Orv18Navn;
  dialogs::showMessage(text);
}
