#include "gui/panels/panel_control_area.h"

#include <QGroupBox>

#include "core/link/controller_link.h"
#include "core/link/protocol.h"
#include "core/model/panel_models.h"
#include "core/model/system_table.h"
#include "core/session/address_list.h"
#include "gui/panels/orv0_box.h"
#include "gui/panels/orv11_box.h"
#include "gui/panels/port_box.h"

PanelControlArea::PanelControlArea(QWidget* clientArea, ControllerLink* link, AddressList* addresses, QObject* parent)
    : QObject(parent),
      link_(link),
      addresses_(addresses),
      orv0_(new Orv0Box(*this, clientArea)),
      orv11_(new Orv11Box(*this, clientArea)),
      orv15_(new Orv15Box(*this, clientArea)),
      orv18_(new Orv18Box(*this, clientArea)),
      boxes_{orv0_, orv11_, orv15_, orv18_} {
  gbOrv0 = orv0_->box();
  gbOrv11 = orv11_->box();
  gbOrv15 = orv15_->box();
  gbOrv18 = orv18_->box();
}

PanelBox* PanelControlArea::boxOf(int slot) const {
  const PanelModel* model = panelModelOf(SystemArray[slot]);
  for (PanelBox* b : boxes_)
    if (&b->model() == model) return b;
  return nullptr;
}

void PanelControlArea::placeFrames() {
  for (PanelBox* b : boxes_) b->box()->move(PanelVenstre, PanelTopp);
}

void PanelControlArea::VisPanel(int Addr) {
  for (PanelBox* b : boxes_) b->box()->hide();
  if (!isSystemSlot(Addr)) return;
  if (PanelBox* shown = boxOf(Addr)) shown->VisPanel(SystemArray[Addr]);
}

void PanelControlArea::showForAddressChange(int slot) {
  if (!isSystemSlot(slot)) return;
  PanelBox* shown = boxOf(slot);
  if (!shown) return;
  for (PanelBox* b : boxes_) b->box()->setVisible(b == shown);
  shown->showForAddressChange(slot);
}

void PanelControlArea::hideModelBoxes() {
  for (PanelBox* b : boxes_) b->hideForDisconnect();
}

void PanelControlArea::OppdaterPanel(int Addr) {
  if (!isSystemSlot(Addr) || !SystemArray[Addr].I_bruk) return;
  if (PanelBox* b = boxOf(Addr)) b->OppdaterPanel(Addr);
}

void PanelControlArea::Orv18ClearLabels() { orv18_->Orv18ClearLabels(); }
void PanelControlArea::Orv15ClearLabels() { orv15_->Orv15ClearLabels(); }

QList<QGroupBox*> PanelControlArea::modelBoxes() const {
  QList<QGroupBox*> shown;
  for (const PanelBox* b : boxes_) shown << b->box();
  return shown;
}

int PanelControlArea::selectedSlot() const { return addresses_->selectedSlot(); }

void PanelControlArea::SettOrv18Knapp(int k) { orv18_->SettOrv18Knapp(k); }
void PanelControlArea::sbOrv15Click(int k) { orv15_->sbOrv15Click(k); }
void PanelControlArea::sbOrv11_1ppClick() { orv11_->sbOrv11_1ppClick(); }
void PanelControlArea::sbOrv11_1PClick() { orv11_->sbOrv11_1PClick(); }
void PanelControlArea::sbOrv11_1MClick() { orv11_->sbOrv11_1MClick(); }
void PanelControlArea::spOrv11_1NNClick() { orv11_->spOrv11_1NNClick(); }

void PanelControlArea::OppdaterEnhet(int Adr) {
  if (!isSystemSlot(Adr) || !link_) return;
  const QString cmd = command::setValue(Adr, SystemArray[Adr].Status);
  link_->appendLog(QStringLiteral("Tx to server: ") + cmd);
  link_->sendDirect(cmd);
}

void PanelControlArea::Orv15BtnLblRightClick(int tag) { orv15_->Orv15BtnLblRightClick(tag); }
void PanelControlArea::Orv18BtnLblRightClick(int tag) { orv18_->Orv18BtnLblRightClick(tag); }
void PanelControlArea::btnOrv15TextClick() { orv15_->btnOrv15TextClick(); }
void PanelControlArea::btnOrv18TextClick() { orv18_->btnOrv18TextClick(); }
int PanelControlArea::orv15EditedPort() const { return orv15_->editedPort(); }
int PanelControlArea::orv18EditedPort() const { return orv18_->editedPort(); }
