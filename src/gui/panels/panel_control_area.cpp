#include "gui/panels/panel_control_area.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <cstring>

#include "gui/common/operator_dialogs.h"
#include "gui/controls/accessibility.h"
#include "gui/controls/keyboard_group.h"
#include "gui/controls/seven_seg.h"
#include "core/link/controller_link.h"
#include "core/link/protocol.h"
#include "core/session/address_list.h"
#include "core/model/formatting.h"
#include "core/model/system_table.h"
#include "gui/panels/latch_button.h"
#include "core/storage/record_files.h"

namespace {

constexpr int kModelBoxWidth = 526;
constexpr int kBoxHeight = 242;
constexpr int kButtonTop = 142;
constexpr int kCaptionTop = 157;
constexpr int kCaptionHeight = 60;
constexpr int kPortPitch = 63;

// The record's texts a port box shows, the panel's name and the eight port labels, as bytes: each
// its length, then its characters.
template <class Visit>
void forEachBoxText(const TSystemRecord& rec, Visit visit) {
  visit(rec.BrukerDef);
  for (int k = 1; k <= 8; ++k) visit(*rec.btnTxt(k));
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

QFont comic(int pixels, bool bold) {
  QFont f(QStringLiteral("Comic Sans MS"));
  f.setPixelSize(pixels);
  f.setBold(bold);
  return f;
}

QLabel* makeLabel(QWidget* parent, const QString& name, int left, int top, const QFont& font,
                  const QString& text = QString()) {
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
  if (label->text() == text) return;  // every reply refreshes the box; most leave its labels as they are
  label->setText(text);
  label->adjustSize();
}

QGroupBox* makeBox(QWidget* parent, const QString& name, int width, const QString& title) {
  auto* gb = new QGroupBox(title, parent);
  gb->setObjectName(name);
  gb->setFont(comic(19, true));
  gb->setGeometry(PanelVenstre, PanelTopp, width, kBoxHeight);
  gb->hide();
  return gb;
}

TSevenSeg* makeDisplay(QWidget* parent, const QString& name, int width, int digits) {
  auto* ss = new TSevenSeg(parent);
  ss->setObjectName(name);
  ss->setGeometry(11, 49, width, 90);
  ss->setNumDigits(digits);
  ss->setCaption(QString());
  ss->setAccessibleName(digits == 2 ? QStringLiteral("Position") : QStringLiteral("Port"));
  return ss;
}

// A latching button with its caption label laid over it.
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

QString modelCaption(const QString& model, int address) {
  return model + QStringLiteral(" @ address 0x") + hexText(address, 2);
}

}  // namespace

PanelControlArea::PanelControlArea(QWidget* clientArea, ControllerLink* link, AddressList* addresses, QObject* parent)
    : QObject(parent), link_(link), addresses_(addresses) {
  buildOrv0(clientArea);
  buildOrv11(clientArea);
  orv15_ = buildPortBox(clientArea, 15);
  gbOrv15 = orv15_.box;
  orv18_ = buildPortBox(clientArea, 18);
  gbOrv18 = orv18_.box;
}

void PanelControlArea::buildOrv0(QWidget* parent) {
  gbOrv0 = makeBox(parent, QStringLiteral("gbOrv0"), 165, QStringLiteral(" Orv0"));
  makeLabel(gbOrv0, QStringLiteral("lblOrv0Line1"), 19, 92, comic(13, true), QStringLiteral("External panel did"));
  makeLabel(gbOrv0, QStringLiteral("lblOrv0Line2"), 27, 117, comic(13, true), QStringLiteral("not repond properly"));
}

void PanelControlArea::buildOrv11(QWidget* parent) {
  gbOrv11 = makeBox(parent, QStringLiteral("gbOrv11"), kModelBoxWidth, QStringLiteral("Orv11"));
  lblOrv11 = makeLabel(gbOrv11, QStringLiteral("lblOrv11"), 11, 28, comic(13, true));
  ssOrv11 = makeDisplay(gbOrv11, QStringLiteral("ssOrv11"), 120, 2);
  orv11Group_ = new QButtonGroup(gbOrv11);
  orv11Group_->setExclusive(true);

  struct StepSpec {
    const char* name;
    const char* text;
    const char* spoken;
    int left, captionLeft, captionWidth, delta;
  };
  static constexpr StepSpec steps[] = {
      {"sbOrv11_1pp", "++", "Step up 16", 11, 14, 52, 16},
      {"sbOrv11_1P", "+", "Step up 1", 76, 91, 26, 1},
      {"sbOrv11_1M", "-", "Step down 1", 140, 157, 26, -1},
      {"spOrv11_1NN", "--", "Step down 16", 206, 211, 52, -16},
  };
  for (const StepSpec& s : steps) {
    TCaptionLabel* caption = nullptr;
    TLatchButton* b = makeLatch(gbOrv11, orv11Group_, QString::fromLatin1(s.name), s.left, &caption,
                                QString::fromLatin1(s.text), s.captionLeft, s.captionWidth);
    b->setAccessibleName(QString::fromLatin1(s.spoken));
    caption->setAccessibleName(QString::fromLatin1(s.spoken));
    const int delta = s.delta;
    auto action = [this, delta, b] {
      guarded([&] { step(delta); });
      accessibility::announceReadout(b, ssOrv11);
    };
    connect(b, &QAbstractButton::clicked, this, action);
    connect(caption, &TCaptionLabel::clicked, this, action);
  }
  makeKeyboardGroup(orv11Group_);
}

PanelControlArea::PortBox PanelControlArea::buildPortBox(QWidget* parent, int model) {
  const bool is15 = model == 15;
  const QString m = QStringLiteral("Orv") + QString::number(model);
  const int tagBase = is15 ? 150 : 180;
  PortBox pb;
  pb.box = makeBox(parent, QStringLiteral("gb") + m, kModelBoxWidth, m);
  pb.lblName = makeLabel(pb.box, QStringLiteral("lbl") + m, 11, 28, comic(13, true));
  pb.display = makeDisplay(pb.box, QStringLiteral("ss") + m, 60, 1);

  // Label rows; the two boxes were laid out by hand and differ by a pixel here and there.
  static constexpr int rowTops[4] = {49, 72, 95, 119};
  for (int k = 1; k <= 8; ++k) {
    const int row = (k - 1) % 4;
    const bool right = k > 4;
    int legendTop = rowTops[row];
    int labelTop = rowTops[row];
    int legendLeft = right ? 283 : 91;
    if (is15) {
      if (k == 4 || k == 8) legendTop = labelTop = 118;
      if (k == 7) labelTop = 94;
    } else if (k == 3) {
      legendLeft = 92;
    }
    makeLabel(pb.box, QStringLiteral("lbl%1Leg%2").arg(m).arg(k), legendLeft, legendTop, comic(16, true),
              QString::number(k) + u':');
    pb.portLabels[k - 1] =
        makeLabel(pb.box, QStringLiteral("lbl%1Btn%2").arg(m).arg(k), right ? 301 : 109, labelTop, comic(16, false));
    namePortLabel(pb.portLabels[k - 1]);
  }

  pb.group = new QButtonGroup(pb.box);
  pb.group->setExclusive(true);
  for (int k = 1; k <= 8; ++k) {
    const int left = 11 + kPortPitch * (k - 1);
    TCaptionLabel* caption = nullptr;
    TLatchButton* b = makeLatch(pb.box, pb.group, QStringLiteral("sb%1_%2").arg(m).arg(k), left, &caption,
                                QString::number(k), left + 19, 26);
    b->setProperty("tag", tagBase + k);
    caption->setProperty("tag", tagBase + k);
    pb.buttons[k - 1] = b;
    pb.captions[k - 1] = caption;
    namePort(b, caption, k, QString());

    TSevenSeg* readout = pb.display;
    auto action = [this, is15, k, b, readout] {
      guarded([&] { is15 ? sbOrv15Click(k) : SettOrv18Knapp(k); });
      accessibility::announceReadout(b, readout);
    };
    connect(b, &QAbstractButton::clicked, this, action);
    connect(caption, &TCaptionLabel::clicked, this, action);
    const int tag = tagBase + k;
    auto rightClick = [this, is15, tag] {
      guarded([&] { is15 ? Orv15BtnLblRightClick(tag) : Orv18BtnLblRightClick(tag); });
    };
    connect(b, &TLatchButton::rightPressed, this, rightClick);
    connect(caption, &TCaptionLabel::rightPressed, this, rightClick);
  }
  makeKeyboardGroup(pb.group);

  pb.editor = new QLineEdit(pb.box);
  pb.editor->setObjectName(QStringLiteral("edt%1Text").arg(m));
  pb.editor->setFont(comic(13, false));
  pb.editor->setGeometry(is15 ? 269 : 265, is15 ? 23 : 24, 166, 26);
  pb.editor->setAccessibleName(QStringLiteral("New port label"));
  pb.editor->hide();
  pb.apply = new QPushButton(QStringLiteral("Apply text"), pb.box);
  pb.apply->setObjectName(QStringLiteral("btn%1Text").arg(m));
  pb.apply->setFont(comic(13, false));
  pb.apply->setGeometry(is15 ? 441 : 437, 24, 75, 24);
  pb.apply->hide();
  connect(pb.apply, &QPushButton::clicked, this,
          [this, is15] { guarded([&] { is15 ? btnOrv15TextClick() : btnOrv18TextClick(); }); });
  return pb;
}

void PanelControlArea::placeFrames() {
  for (QGroupBox* gb : {gbOrv0, gbOrv11, gbOrv15, gbOrv18}) gb->move(PanelVenstre, PanelTopp);
}

void PanelControlArea::VisPanel(int Addr) {
  for (QGroupBox* gb : {gbOrv0, gbOrv11, gbOrv15, gbOrv18}) gb->hide();
  if (!isSystemSlot(Addr)) return;
  const TSystemRecord& rec = SystemArray[Addr];
  switch (modelOf(rec)) {
    case Model::Orv0: gbOrv0->show(); break;
    case Model::Orv11:
      gbOrv11->setTitle(modelCaption(QStringLiteral("Orv11"), rec.Adresse));
      gbOrv11->show();
      break;
    case Model::Orv15:
      nameBox(orv15_, QStringLiteral("Orv15"), rec.Adresse);
      gbOrv15->show();
      break;
    case Model::Orv18:
      nameBox(orv18_, QStringLiteral("Orv18"), rec.Adresse);
      gbOrv18->show();
      break;
    case Model::None: break;
  }
}

void PanelControlArea::showForAddressChange(int slot) {
  if (!isSystemSlot(slot)) return;
  const TSystemRecord& rec = SystemArray[slot];
  const Model model = modelOf(rec);
  if (model == Model::None) return;
  gbOrv0->setVisible(model == Model::Orv0);
  gbOrv11->setVisible(model == Model::Orv11);
  gbOrv15->setVisible(model == Model::Orv15);
  gbOrv18->setVisible(model == Model::Orv18);
  switch (model) {
    case Model::Orv11:
      gbOrv11->setTitle(modelCaption(QStringLiteral("Orv11"), slot));
      setLabelText(lblOrv11, rec.BrukerDef.text());
      Orv11APos = rec.Status;
      ssOrv11->setCaption(hexText(rec.Status, 2));
      break;
    case Model::Orv15:
      nameBox(orv15_, QStringLiteral("Orv15"), slot);
      setLabelText(orv15_.lblName, rec.BrukerDef.text());
      orv15_.shownTexts.clear();
      orv15_.display->setCaption(QString::number(rec.Status));
      break;
    case Model::Orv18:
      nameBox(orv18_, QStringLiteral("Orv18"), slot);
      orv18_.display->setCaption(QString::number(rec.Status));
      setLabelText(orv18_.lblName, rec.BrukerDef.text());
      orv18_.shownTexts.clear();
      break;
    default: break;
  }
}

void PanelControlArea::nameBox(PortBox& box, const QString& model, int address) {
  box.box->setTitle(modelCaption(model, address));
  box.captionAddress = address;
}

void PanelControlArea::hideModelBoxes() {
  gbOrv11->hide();
  gbOrv15->hide();
  gbOrv18->hide();
}

void PanelControlArea::OppdaterPanel(int Addr) {
  if (!isSystemSlot(Addr)) return;
  const TSystemRecord& rec = SystemArray[Addr];
  if (!rec.I_bruk) return;
  switch (modelOf(rec)) {
    case Model::Orv0:
      dialogs::showMessage(QStringLiteral("Unknown panel, possible due to a communication problem."));
      break;
    case Model::Orv11: {
      const QString shown = hexText(rec.Status, 2);
      ssOrv11->setCaption(shown);
      Orv11APos = rec.Status;
      setLabelText(lblOrv11, rec.BrukerDef.text());
      if ((rec.TunerNr == 1 || rec.TunerNr == 2) && setTunerDisplay) setTunerDisplay(rec.TunerNr, shown);
      break;
    }
    case Model::Orv15: fillPortBox(orv15_, Addr); break;
    case Model::Orv18: fillPortBox(orv18_, Addr); break;
    case Model::None: break;
  }
}

void PanelControlArea::fillPortBox(PortBox& box, int Addr) {
  const TSystemRecord& rec = SystemArray[Addr];
  const int s = rec.Status;
  // Any other value leaves the down button as it was.
  if (s >= 1 && s <= 8) box.buttons[s - 1]->setChecked(true);
  box.display->setCaption(decimalText(s));
  // Nearly every reply leaves the texts as they are: they are decoded only when they changed.
  if (sameBoxTexts(box.shownTexts, rec)) return;
  setLabelText(box.lblName, rec.BrukerDef.text());
  for (int k = 1; k <= 8; ++k) setPortLabel(box, k, rec.btnTxt(k)->text());
  box.shownTexts = boxTextBytes(rec);
}

void PanelControlArea::setPortLabel(PortBox& box, int port, const QString& text) {
  // Every reply refreshes the box and most leave its labels as they are; a name told again would
  // also be announced again.
  box.shownTexts.clear();
  QLabel* label = box.portLabels[port - 1];
  if (label->text() == text) return;
  setLabelText(label, text);
  namePortLabel(label);
  namePort(box.buttons[port - 1], box.captions[port - 1], port, text);
}

void PanelControlArea::Orv18ClearLabels() {
  for (int k = 1; k <= 8; ++k) setPortLabel(orv18_, k, QString());
}

void PanelControlArea::Orv15ClearLabels() {
  for (int k = 1; k <= 8; ++k) setPortLabel(orv15_, k, QString());
}

int PanelControlArea::selectedSlot() const { return addresses_->selectedSlot(); }

void PanelControlArea::SettOrv18Knapp(int k) {
  const int Addr = selectedSlot();
  if (!isSystemSlot(Addr)) return;
  SystemArray[Addr].Status = k;
  orv18_.display->setCaption(QString::number(SystemArray[Addr].Status));
  OppdaterEnhet(Addr);
}

void PanelControlArea::sbOrv15Click(int k) {
  SettOrv18Knapp(k);
  const int Addr = selectedSlot();
  if (isSystemSlot(Addr)) orv15_.display->setCaption(QString::number(SystemArray[Addr].Status));
}

void PanelControlArea::step(int delta) {
  const int Addr = selectedSlot();
  if (!isSystemSlot(Addr) || modelOf(SystemArray[Addr]) != Model::Orv11) return;
  Orv11APos = orv11Step(Orv11APos, delta);
  SystemArray[Addr].Status = Orv11APos;
  ssOrv11->setCaption(hexText(Orv11APos, 2));
  OppdaterEnhet(Addr);
}

void PanelControlArea::sbOrv11_1ppClick() { step(16); }
void PanelControlArea::sbOrv11_1PClick() { step(1); }
void PanelControlArea::sbOrv11_1MClick() { step(-1); }
void PanelControlArea::spOrv11_1NNClick() { step(-16); }

void PanelControlArea::OppdaterEnhet(int Adr) {
  if (!isSystemSlot(Adr) || !link_) return;
  const QString cmd = command::setValue(Adr, SystemArray[Adr].Status);
  link_->appendLog(QStringLiteral("Tx to server: ") + cmd);
  link_->sendDirect(cmd);
}

void PanelControlArea::openLabelEditor(PortBox& box, int port) {
  box.editedPort = port;
  box.editor->clear();
  box.editor->show();
  box.apply->show();
  box.editor->setFocus();
}

void PanelControlArea::Orv15BtnLblRightClick(int tag) { openLabelEditor(orv15_, tag - 150); }
void PanelControlArea::Orv18BtnLblRightClick(int tag) { openLabelEditor(orv18_, tag - 180); }

void PanelControlArea::applyLabel(PortBox& box) {
  // The label goes to the panel the caption names, whichever is selected now.
  const int Addr = box.captionAddress;
  if (!isSystemSlot(Addr)) return;  // the box never named a panel
  const int btnNr = box.editedPort;
  if (btnNr >= 1 && btnNr <= 8) {
    const QString text = box.editor->text();
    setPortLabel(box, btnNr, text);
    SystemArray[Addr].btnTxt(btnNr)->set(text);
  }
  reportIfFailed(records::storeSystemSetupIfExists());
  box.apply->hide();
  box.editor->hide();
}

void PanelControlArea::btnOrv15TextClick() { applyLabel(orv15_); }
void PanelControlArea::btnOrv18TextClick() { applyLabel(orv18_); }
