#pragma once
// What the benchmarks share: the window as a scan of `panels` simulated panels leaves it, built
// without the poll's pauses.
#include <QCoreApplication>

#include "gui/app/u_frmMain.h"
#include "controller_sim.h"
#include "core/session/session.h"
#include "core/model/panel_models.h"
#include "core/model/system_table.h"
#include "gui/panels/status_list.h"

inline void showScannedPanels(TfrmMain& w, int panels) {
  int tuners = 0;
  for (const SimPanel& panel : manyPanels(panels)) {
    TSystemRecord& rec = SystemArray[panel.address];
    rec.I_bruk = true;
    rec.Adresse = panel.address;
    rec.Navn = QString::fromLatin1(panel.model);
    rec.Status = panel.status;
    if (const PanelModel* m = panelModelOf(rec); m && m->tuner) rec.TunerNr = ++tuners;
  }
  AntallTunere = qMin(tuners, 4);
  w.session->OppdaterComboBoxer();
  w.session->showFirstPanel();
  FirstScanDone = true;
  w.statusList->StatusScroll();
  w.btnTunerClick(1);
  w.btnTunerClick(2);
  QCoreApplication::processEvents();
}
