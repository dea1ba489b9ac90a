#include "gui/app/main_screen.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

#include "gui/app/u_frmMain.h"
#include "gui/common/address_list.h"
#include "gui/common/operator_dialogs.h"
#include "gui/panels/panel_control_area.h"
#include "gui/panels/status_list.h"
#include "gui/tuner/u_frmTuner.h"
#include "gui/userconfig/user_buttons.h"

void MainScreen::setAddressList(const QList<int>& addresses) {
  w_.lblProdukt->clear();
  fillAddressList(*w_.cbAddress, addresses);
}

void MainScreen::selectFirstAddress() { selectFirstEntry(*w_.cbAddress); }

int MainScreen::selectedSlot() const { return selectedAddressSlot(*w_.cbAddress); }

void MainScreen::showProduct(const QString& name, const QString& userName) {
  w_.lblProdukt->setText(name);
  w_.edtUserDefName->setText(userName);
}

void MainScreen::showMessage(const QString& text) { dialogs::showMessage(text); }

void MainScreen::closeTunerWindows() {
  for (TfrmTuner* tuner : {static_cast<TfrmTuner*>(w_.frmTuner1), static_cast<TfrmTuner*>(w_.frmTuner2)})
    if (tuner && tuner->isOpen()) tuner->close();
}

void MainScreen::RemoveStatus() { w_.statusList->RemoveStatus(); }
void MainScreen::UpdateUsrButtons() { w_.userButtons->UpdateUsrButtons(); }
void MainScreen::VisPanel(int slot) { w_.panels->VisPanel(slot); }
void MainScreen::showForAddressChange(int slot) { w_.panels->showForAddressChange(slot); }
void MainScreen::OppdaterPanel(int slot) { w_.panels->OppdaterPanel(slot); }
void MainScreen::StatusScroll() { w_.statusList->StatusScroll(); }
void MainScreen::refreshStatusList() { w_.statusList->OppdaterScrollBox(); }

void MainScreen::refreshTuners() {
  for (TfrmTuner* tuner : {static_cast<TfrmTuner*>(w_.frmTuner1), static_cast<TfrmTuner*>(w_.frmTuner2)})
    if (tuner && tuner->isOpen()) tuner->OppdaterTuner();
}
