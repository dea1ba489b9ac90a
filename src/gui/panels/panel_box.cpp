#include "gui/panels/panel_box.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QLabel>

#include "core/model/formatting.h"
#include "core/model/panel_models.h"
#include "core/model/system_table.h"
#include "gui/controls/seven_seg.h"
#include "gui/panels/latch_button.h"
#include "gui/panels/panel_control_area.h"

namespace {

constexpr int kBoxHeight = 242;
constexpr int kButtonTop = 142;
constexpr int kCaptionTop = 157;
constexpr int kCaptionHeight = 60;

}  // namespace

PanelBox::PanelBox(PanelControlArea& area, const PanelModel& model, QWidget* parent, int width, const QString& title)
    : QObject(&area), area_(area), model_(model), box_(new QGroupBox(title, parent)) {
  box_->setObjectName(QStringLiteral("gb") + model.name);
  box_->setFont(boxparts::comic(19, true));
  box_->setGeometry(PanelVenstre, PanelTopp, width, kBoxHeight);
  box_->hide();
}

void PanelBox::VisPanel(const TSystemRecord& rec) {
  nameBox(rec.Adresse);
  box_->show();
}

void PanelBox::hideForDisconnect() { box_->hide(); }

void PanelBox::nameBox(int address) {
  box_->setTitle(model_.name + QStringLiteral(" @ address 0x") + hexText(address, 2));
}

int PanelBox::selectedSlot() const { return area_.selectedSlot(); }

void PanelBox::OppdaterEnhet(int Adr) { area_.OppdaterEnhet(Adr); }

namespace boxparts {

QFont comic(int pixels, bool bold) {
  QFont f(QStringLiteral("Comic Sans MS"));
  f.setPixelSize(pixels);
  f.setBold(bold);
  return f;
}

QLabel* makeLabel(QWidget* parent, const QString& name, int left, int top, const QFont& font, const QString& text) {
  auto* l = new QLabel(parent);
  l->setObjectName(name);
  l->setTextFormat(Qt::PlainText);
  l->setFont(font);
  l->setText(text);
  l->move(left, top);
  l->adjustSize();
  return l;
}

void setLabelText(QLabel* label, const QString& text) {
  if (label->text() == text) return;
  label->setText(text);
  label->adjustSize();
}

TSevenSeg* makeDisplay(QWidget* parent, const QString& name, int width, int digits, const QString& spokenName) {
  auto* ss = new TSevenSeg(parent);
  ss->setObjectName(name);
  ss->setGeometry(11, 49, width, 90);
  ss->setNumDigits(digits);
  ss->setCaption(QString());
  ss->setAccessibleName(spokenName);
  return ss;
}

TLatchButton* makeLatch(QWidget* parent, QButtonGroup* group, const QString& name, int left, TCaptionLabel** caption,
                        const QString& text, int captionLeft, int captionWidth) {
  auto* b = new TLatchButton(parent);
  b->setObjectName(name);
  b->move(left, kButtonTop);
  group->addButton(b);
  auto* c = new TCaptionLabel(text, parent);
  c->setObjectName(QStringLiteral("lbl") + name);
  c->setFont(comic(43, true));
  c->setGeometry(captionLeft, kCaptionTop, captionWidth, kCaptionHeight);
  c->raise();
  *caption = c;
  return b;
}

}  // namespace boxparts
