#include "gui/panels/orv11_box.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QLabel>

#include "core/model/panel_models.h"
#include "core/model/system_table.h"
#include "gui/common/operator_dialogs.h"
#include "gui/controls/accessibility.h"
#include "gui/controls/keyboard_group.h"
#include "gui/controls/seven_seg.h"
#include "gui/panels/latch_button.h"
#include "gui/panels/panel_control_area.h"

using namespace boxparts;

Orv11Box::Orv11Box(PanelControlArea& area, QWidget* parent)
    : PanelBox(area, Orv11Model, parent, kModelBoxWidth, Orv11Model.name) {
  lblOrv11 = makeLabel(box(), QStringLiteral("lblOrv11"), 11, 28, comic(13, true));
  ssOrv11 = makeDisplay(box(), QStringLiteral("ssOrv11"), 120, model().digits, QStringLiteral("Position"));
  group_ = new QButtonGroup(box());
  group_->setExclusive(true);

  struct StepSpec {
    const char* name;
    const char* text;
    const char* spoken;
    int left, captionLeft, captionWidth;
    void (Orv11Box::*handler)();
  };
  static constexpr StepSpec steps[] = {
      {"sbOrv11_1pp", "++", "Step up 16", 11, 14, 52, &Orv11Box::sbOrv11_1ppClick},
      {"sbOrv11_1P", "+", "Step up 1", 76, 91, 26, &Orv11Box::sbOrv11_1PClick},
      {"sbOrv11_1M", "-", "Step down 1", 140, 157, 26, &Orv11Box::sbOrv11_1MClick},
      {"spOrv11_1NN", "--", "Step down 16", 206, 211, 52, &Orv11Box::spOrv11_1NNClick},
  };
  for (const StepSpec& s : steps) {
    TCaptionLabel* caption = nullptr;
    TLatchButton* b = makeLatch(box(), group_, QString::fromLatin1(s.name), s.left, &caption,
                                QString::fromLatin1(s.text), s.captionLeft, s.captionWidth);
    b->setAccessibleName(QString::fromLatin1(s.spoken));
    caption->setAccessibleName(QString::fromLatin1(s.spoken));
    auto action = [this, handler = s.handler, b] {
      guarded([&] { (this->*handler)(); });
      accessibility::announceReadout(b, ssOrv11);
    };
    connect(b, &QAbstractButton::clicked, this, action);
    connect(caption, &TCaptionLabel::clicked, this, action);
  }
  makeKeyboardGroup(group_);
}

void Orv11Box::showForAddressChange(int slot) {
  const TSystemRecord& rec = SystemArray[slot];
  nameBox(slot);
  setLabelText(lblOrv11, rec.BrukerDef.text());
  Orv11APos = rec.Status;
  ssOrv11->setCaption(model().settingText(rec.Status));
}

void Orv11Box::OppdaterPanel(int Addr) {
  const TSystemRecord& rec = SystemArray[Addr];
  const QString shown = model().settingText(rec.Status);
  ssOrv11->setCaption(shown);
  Orv11APos = rec.Status;
  setLabelText(lblOrv11, rec.BrukerDef.text());
  if (rec.TunerNr == 1 || rec.TunerNr == 2) emit area().tunerDisplayChanged(rec.TunerNr, shown);
}

void Orv11Box::step(int delta) {
  const int Addr = selectedSlot();
  if (!isSystemSlot(Addr) || panelModelOf(SystemArray[Addr]) != &model()) return;
  Orv11APos = model().step(Orv11APos, delta);
  SystemArray[Addr].Status = Orv11APos;
  ssOrv11->setCaption(model().settingText(Orv11APos));
  OppdaterEnhet(Addr);
}
