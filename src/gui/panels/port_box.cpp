#include "gui/panels/port_box.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <cstring>

#include "core/model/panel_models.h"
#include "core/model/system_table.h"
#include "core/storage/record_files.h"
#include "gui/common/operator_dialogs.h"
#include "gui/controls/accessibility.h"
#include "gui/controls/keyboard_group.h"
#include "gui/controls/seven_seg.h"
#include "gui/panels/latch_button.h"
#include "gui/panels/panel_control_area.h"

using namespace boxparts;

namespace {

constexpr int kPortPitch = 63;

// The record's texts a port box shows, the panel's name and the eight port labels, as bytes: each
// its length, then its characters.
template <class Visit>
void forEachBoxText(const TSystemRecord& rec, Visit visit) {
  visit(rec.BrukerDef);
  for (int k = 1; k <= PortBox::kPorts; ++k) visit(*rec.btnTxt(k));
}

QByteArray boxTextBytes(const TSystemRecord& rec) {
  QByteArray bytes;
  forEachBoxText(rec, [&](const FixedText<255>& t) {
    bytes += char(t.size());
    bytes.append(t.chars, t.size());
  });
  return bytes;
}

bool sameBoxTexts(const QByteArray& shown, const TSystemRecord& rec) {
  qsizetype at = 0;
  bool same = true;
  forEachBoxText(rec, [&](const FixedText<255>& t) {
    const int n = t.size();
    same = same && at + 1 + n <= shown.size() && static_cast<uchar>(shown[at]) == n &&
           std::memcmp(shown.constData() + at + 1, t.chars, static_cast<std::size_t>(n)) == 0;
    at += 1 + n;
  });
  return same && at == shown.size();
}

// A port button names its port and the operator's label for it; down is its checked state.
void namePort(TLatchButton* button, TCaptionLabel* caption, int port, const QString& label) {
  const QString name =
      QStringLiteral("Port %1").arg(port) + (label.isEmpty() ? QString() : QStringLiteral(": ") + label);
  button->setAccessibleName(name);
  caption->setAccessibleName(name);
}

// Qt names a nameless control in a group box after the box's title; an empty port label would read
// as "Orv15 @ address 0x02".
void namePortLabel(QLabel* label) {
  label->setAccessibleName(label->text().isEmpty() ? QStringLiteral("no label") : QString());
}

constexpr std::array<int, PortBox::kPorts> kRowTops = {49, 72, 95, 119, 49, 72, 95, 119};

}  // namespace

PortBox::PortBox(PanelControlArea& area, const PanelModel& model, QWidget* parent, const Layout& layout)
    : PanelBox(area, model, parent, kModelBoxWidth, model.name), tagBase_(layout.tagBase) {
  Q_ASSERT(model.lowest == 1 && model.highest == kPorts);  // a port's setting is its number
  const QString m = model.name;
  lblName_ = makeLabel(box(), QStringLiteral("lbl") + m, 11, 28, comic(13, true));
  display_ = makeDisplay(box(), QStringLiteral("ss") + m, 60, model.digits, QStringLiteral("Port"));

  for (int k = 1; k <= kPorts; ++k) {
    const int i = k - 1;
    makeLabel(box(), QStringLiteral("lbl%1Leg%2").arg(m).arg(k), layout.legendLefts[i], layout.legendTops[i],
              comic(16, true), QString::number(k) + u':');
    portLabels_[i] = makeLabel(box(), QStringLiteral("lbl%1Btn%2").arg(m).arg(k), k > 4 ? 301 : 109,
                               layout.labelTops[i], comic(16, false));
    namePortLabel(portLabels_[i]);
  }

  group_ = new QButtonGroup(box());
  group_->setExclusive(true);
  for (int k = 1; k <= kPorts; ++k) {
    const int left = 11 + kPortPitch * (k - 1);
    const int tag = tagBase_ + k;
    TCaptionLabel* caption = nullptr;
    TLatchButton* b = makeLatch(box(), group_, QStringLiteral("sb%1_%2").arg(m).arg(k), left, &caption,
                                QString::number(k), left + 19, 26);
    b->setProperty("tag", tag);
    caption->setProperty("tag", tag);
    buttons_[k - 1] = b;
    captions_[k - 1] = caption;
    namePort(b, caption, k, QString());

    auto action = [this, k, b] {
      guarded([&] { portClicked(k); });
      accessibility::announceReadout(b, display_);
    };
    connect(b, &QAbstractButton::clicked, this, action);
    connect(caption, &TCaptionLabel::clicked, this, action);
    auto rightClick = [this, tag] { guarded([&] { portRightClicked(tag); }); };
    connect(b, &TLatchButton::rightPressed, this, rightClick);
    connect(caption, &TCaptionLabel::rightPressed, this, rightClick);
  }
  makeKeyboardGroup(group_);

  editor_ = new QLineEdit(box());
  editor_->setObjectName(QStringLiteral("edt%1Text").arg(m));
  editor_->setFont(comic(13, false));
  editor_->setGeometry(layout.editor);
  editor_->setAccessibleName(QStringLiteral("New port label"));
  editor_->hide();
  apply_ = new QPushButton(QStringLiteral("Apply text"), box());
  apply_->setObjectName(QStringLiteral("btn%1Text").arg(m));
  apply_->setFont(comic(13, false));
  apply_->setGeometry(layout.apply);
  apply_->hide();
  connect(apply_, &QPushButton::clicked, this, [this] { guarded([&] { applyClicked(); }); });
}

void PortBox::nameBox(int address) {
  PanelBox::nameBox(address);
  captionAddress_ = address;
}

void PortBox::showForAddressChange(int slot) {
  const TSystemRecord& rec = SystemArray[slot];
  nameBox(slot);
  setLabelText(lblName_, rec.BrukerDef.text());
  shownTexts_.clear();
  display_->setCaption(model().settingText(rec.Status));
}

void PortBox::OppdaterPanel(int Addr) {
  const TSystemRecord& rec = SystemArray[Addr];
  const int s = rec.Status;
  if (s >= model().lowest && s <= model().highest) buttons_[s - 1]->setChecked(true);
  display_->setCaption(model().settingText(s));
  // Nearly every reply leaves the texts as they are: they are decoded only when they changed.
  if (sameBoxTexts(shownTexts_, rec)) return;
  setLabelText(lblName_, rec.BrukerDef.text());
  for (int k = 1; k <= kPorts; ++k) setPortLabel(k, rec.btnTxt(k)->text());
  shownTexts_ = boxTextBytes(rec);
}

void PortBox::setPortLabel(int port, const QString& text) {
  // Every reply refreshes the box and most leave its labels as they are; a name told again would
  // also be announced again.
  shownTexts_.clear();
  QLabel* label = portLabels_[port - 1];
  if (label->text() == text) return;
  setLabelText(label, text);
  namePortLabel(label);
  namePort(buttons_[port - 1], captions_[port - 1], port, text);
}

void PortBox::clearLabels() {
  for (int k = 1; k <= kPorts; ++k) setPortLabel(k, QString());
}

void PortBox::setPort(int k) {
  const int Addr = selectedSlot();
  if (!isSystemSlot(Addr)) return;
  SystemArray[Addr].Status = k;
  display_->setCaption(model().settingText(SystemArray[Addr].Status));
  OppdaterEnhet(Addr);
}

void PortBox::showSelectedPort() {
  const int Addr = selectedSlot();
  if (isSystemSlot(Addr)) display_->setCaption(model().settingText(SystemArray[Addr].Status));
}

void PortBox::openLabelEditor(int tag) {
  editedPort_ = tag - tagBase_;
  editor_->clear();
  editor_->show();
  apply_->show();
  editor_->setFocus();
}

void PortBox::applyLabel() {
  const int Addr = captionAddress_;
  if (!isSystemSlot(Addr)) return;  // the box never named a panel
  const int btnNr = editedPort_;
  if (btnNr >= 1 && btnNr <= kPorts) {
    const QString text = editor_->text();
    setPortLabel(btnNr, text);
    SystemArray[Addr].btnTxt(btnNr)->set(text);
  }
  reportIfFailed(records::storeSystemSetupIfExists());
  apply_->hide();
  editor_->hide();
}

Orv18Box::Orv18Box(PanelControlArea& area, QWidget* parent)
    : PortBox(area, Orv18Model, parent,
              {180,
               {91, 91, 92, 91, 283, 283, 283, 283},
               kRowTops,
               kRowTops,
               QRect(265, 24, 166, 26),
               QRect(437, 24, 75, 24)}) {}

Orv15Box::Orv15Box(PanelControlArea& area, QWidget* parent)
    : PortBox(area, Orv15Model, parent,
              {150,
               {91, 91, 91, 91, 283, 283, 283, 283},
               {49, 72, 95, 118, 49, 72, 95, 118},
               {49, 72, 95, 118, 49, 72, 94, 118},
               QRect(269, 23, 166, 26),
               QRect(441, 24, 75, 24)}) {}

void Orv15Box::sbOrv15Click(int k) {
  area().SettOrv18Knapp(k);
  showSelectedPort();
}
