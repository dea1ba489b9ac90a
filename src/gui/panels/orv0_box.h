#pragma once
// gbOrv0: the notice for a panel that did not answer properly. Its caption never changes.
#include "gui/panels/panel_box.h"

class Orv0Box : public PanelBox {
 public:
  Orv0Box(PanelControlArea& area, QWidget* parent);

  void showForAddressChange(int) override {}
  void OppdaterPanel(int Addr) override;
  // A disconnect leaves the notice as it was.
  void hideForDisconnect() override {}

 private:
  void nameBox(int) override {}
};
