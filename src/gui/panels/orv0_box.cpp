#include "gui/panels/orv0_box.h"

#include <QGroupBox>
#include <QLabel>

#include "core/model/panel_models.h"
#include "gui/common/operator_dialogs.h"

using namespace boxparts;

Orv0Box::Orv0Box(PanelControlArea& area, QWidget* parent)
    : PanelBox(area, Orv0Model, parent, 165, QStringLiteral(" Orv0")) {
  makeLabel(box(), QStringLiteral("lblOrv0Line1"), 19, 92, comic(13, true), QStringLiteral("External panel did"));
  makeLabel(box(), QStringLiteral("lblOrv0Line2"), 27, 117, comic(13, true), QStringLiteral("not repond properly"));
}

void Orv0Box::OppdaterPanel(int) {
  dialogs::showMessage(QStringLiteral("Unknown panel, possible due to a communication problem."));
}
