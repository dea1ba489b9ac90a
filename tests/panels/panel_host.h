#pragma once
// A stand-in for the main window: the client area with the address list and the command log.
#include <QComboBox>
#include <QWidget>

#include "gui/common/address_list.h"
#include "gui/link/command_log.h"
#include "core/link/command_log.h"
#include "core/link/controller_link.h"
#include "core/session/address_list.h"
#include "core/model/formatting.h"
#include "core/model/panel_models.h"
#include "core/model/system_table.h"

struct PanelHost {
  CommandLog log;
  AddressList addresses;
  QWidget window;
  QComboBox* cbAddress;
  TCommandLog* lbRespons;
  ControllerLink link;

  PanelHost() : cbAddress(new QComboBox(&window)), lbRespons(new TCommandLog(&log, &window)) {
    link.setLog(&log);
    window.resize(938, 501);
    cbAddress->setObjectName(QStringLiteral("cbAddress"));
    cbAddress->setEditable(true);
    showCurrentPanel(*cbAddress, addresses);
    cbAddress->setGeometry(400, 300, 100, 22);
    lbRespons->setGeometry(7, 345, 580, 135);
  }

  // The address list as the scan leaves it, with `selected` current.
  void listSlots(std::initializer_list<int> inUse, int selected) {
    addresses.setAddresses(inUse);
    cbAddress->setCurrentText(addressText(selected));
  }
};

inline void putPanel(int slot, const char* model, int status, int tunerNr = 0) {
  TSystemRecord& rec = SystemArray[slot];
  rec.I_bruk = true;
  rec.Adresse = slot;
  rec.Navn = QString::fromLatin1(model);
  const PanelModel* row = panelModelOf(rec);
  rec.BrukerDef = row ? row->description : QString();
  rec.Status = status;
  rec.TunerNr = tunerNr;
}
