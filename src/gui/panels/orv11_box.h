#pragma once
// gbOrv11: the setting of a feedline extender or tuner, stepped by 1 and 16 within its range.
#include "gui/panels/panel_box.h"

class Orv11Box : public PanelBox {
 public:
  Orv11Box(PanelControlArea& area, QWidget* parent);

  void showForAddressChange(int slot) override;
  // Also tells tuner window 1 or 2 of a panel with that tuner number.
  void OppdaterPanel(int Addr) override;

  // They step Orv11APos, the one working copy, and set the selected panel to it.
  void sbOrv11_1ppClick() { step(16); }
  void sbOrv11_1PClick() { step(1); }
  void sbOrv11_1MClick() { step(-1); }
  void spOrv11_1NNClick() { step(-16); }

 private:
  void step(int delta);

  QLabel* lblOrv11 = nullptr;
  TSevenSeg* ssOrv11 = nullptr;
  QButtonGroup* group_ = nullptr;
};
