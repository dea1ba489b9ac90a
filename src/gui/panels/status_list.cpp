#include "gui/panels/status_list.h"

#include <QLabel>
#include <QPushButton>
#include <QScrollArea>

#include <array>

#include "gui/common/operator_dialogs.h"
#include "gui/controls/seven_seg.h"
#include "core/link/protocol.h"
#include "core/model/formatting.h"
#include "core/model/system_table.h"
#include "core/session/address_list.h"

namespace {

QString prefixFor(Model model) {
  switch (model) {
    case Model::Orv11: return QStringLiteral("Orv11_");
    case Model::Orv15: return QStringLiteral("Orv15_");
    case Model::Orv18: return QStringLiteral("Orv18_");
    default: return QString();
  }
}

// "ss" + prefix + slot for every model and slot, built once.
const QString& displayName(Model model, int n) {
  static const auto names = [] {
    std::array<std::array<QString, SystemSlots>, 3> t;
    const Model models[] = {Model::Orv11, Model::Orv15, Model::Orv18};
    for (int m = 0; m < 3; ++m)
      for (int k = 0; k < SystemSlots; ++k) t[m][k] = QStringLiteral("ss") + prefixFor(models[m]) + QString::number(k);
    return t;
  }();
  const int m = model == Model::Orv11 ? 0 : model == Model::Orv15 ? 1 : 2;
  return names[m][n];
}

QString statusText(Model model, int status) {
  return model == Model::Orv11 ? hexText(status, 2) : QString::number(status);
}

// The texts of the byte values, made once: every reply refreshes every display.
const QString& statusCaption(Model model, int status, QString& other) {
  static const auto texts = [] {
    std::array<std::array<QString, 256>, 2> t;
    for (int v = 0; v < 256; ++v) {
      t[0][v] = statusText(Model::Orv11, v);
      t[1][v] = statusText(Model::Orv15, v);
    }
    return t;
  }();
  if (status < 0 || status > 255) return other = statusText(model, status);
  return texts[model == Model::Orv11 ? 0 : 1][status];
}

}  // namespace

StatusList::StatusList(QScrollArea* scrollStatus, AddressList* addresses, QObject* parent)
    : QObject(parent), scrollStatus_(scrollStatus), addresses_(addresses) {
  content_ = scrollStatus_->widget();
  if (!content_) {
    auto* w = new QWidget;
    w->setObjectName(QStringLiteral("scrollStatusContent"));
    scrollStatus_->setWidget(w);
    content_ = w;
  }
  // Vertical scrolling only: the content takes the viewport's width and the rows' height.
  scrollStatus_->setWidgetResizable(true);
  scrollStatus_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  fitContent();
}

void StatusList::fitContent() {
  if (!content_) return;
  // The last display ends 10 pixels below its row's pitch.
  content_->setMinimumHeight(qMax(0, Antall) * ssHeight + 10);
}

void StatusList::reindex() {
  byName_.clear();
  if (!content_) return;
  for (QObject* o : content_->children()) {
    if (!o->isWidgetType() || o->objectName().isEmpty()) continue;
    auto* w = static_cast<QWidget*>(o);
    if (!byName_.contains(w->objectName())) byName_.insert(w->objectName(), w);
  }
}

QWidget* StatusList::control(const QString& name) const {
  const QPointer<QWidget> w = byName_.value(name);
  if (w && w->objectName() == name && w->parent() == content_) return w.data();
  return nullptr;
}

void StatusList::destroyControl(const QString& name) {
  QWidget* w = control(name);
  if (!w) return;
  byName_.remove(name);
  // Out of the tree at once so the name is free; deleted once the current event is done, since
  // the control may be the one whose click is being handled.
  w->hide();
  w->setObjectName(QString());
  w->setParent(nullptr);
  w->deleteLater();
}

template <class W>
W* StatusList::create(const QString& name) {
  destroyControl(name);  // a control left behind by a failed removal gives way to the new one
  auto* w = new W(content_);
  w->hide();
  w->setObjectName(name);
  byName_.insert(name, w);
  return w;
}

void StatusList::StatusScroll() {
  Antall = 0;
  if (content_) {
    reindex();
    for (int n = 0; n < SystemSlots; ++n) {
      const TSystemRecord& rec = SystemArray[n];
      if (!rec.I_bruk) continue;
      const Model model = modelOf(rec);
      if (model != Model::Orv11 && model != Model::Orv15 && model != Model::Orv18) continue;
      buildBlock(n, static_cast<int>(model), Antall * ssHeight);
      ++Antall;
    }
    fitContent();
  }
  collectDisplays();
  StatusShown = true;
}

void StatusList::buildBlock(int n, int modelValue, int r) {
  const Model model = static_cast<Model>(modelValue);
  const TSystemRecord& rec = SystemArray[n];
  const bool orv11 = model == Model::Orv11;
  const QString suffix = prefixFor(model) + QString::number(n);
  const int shift = orv11 ? 30 : 0;
  const QString panel = rec.Navn.text() + QStringLiteral(" @ address 0x") + hexText(rec.Adresse, 2);

  QFont font(QStringLiteral("Comic Sans MS"));
  font.setPointSize(ScrollFontSize);

  auto* ss = create<TSevenSeg>(QStringLiteral("ss") + suffix);
  ss->setGeometry(10, r + 10, ssWidth + shift, ssHeight);
  ss->setNumDigits(orv11 ? 2 : 1);
  ss->setCaption(statusText(model, rec.Status));
  ss->setAccessibleName(QStringLiteral("Status of ") + panel);
  ss->show();

  auto* name = create<QLabel>(QStringLiteral("lbl2") + suffix);
  name->setTextFormat(Qt::PlainText);
  name->setFont(font);
  name->setText(panel);
  name->move(50 + shift, r + 10);
  name->adjustSize();
  name->show();

  auto* desc = create<QLabel>(QStringLiteral("lbl") + suffix);
  desc->setTextFormat(Qt::PlainText);
  desc->setFont(font);
  desc->setText(orv11 ? Orv11Navn : model == Model::Orv15 ? Orv15Navn : Orv18Navn);
  desc->move(50 + shift, r + 25);
  desc->adjustSize();
  desc->show();

  auto* select = create<QPushButton>(QStringLiteral("btn") + suffix);
  select->setText(QStringLiteral("Select panel"));
  select->setAccessibleName(QStringLiteral("Select panel ") + panel);
  select->setGeometry(btnLeft + shift, r + btnTop, btnWidth, btnHeight);
  select->setProperty("tag", n);
  connect(select, &QPushButton::clicked, this, [this, select] { guarded([&] { ShowCorrectPanel(select); }); });
  select->show();

  if (orv11 && AntallTunere < 4) {
    auto* tuner = create<QPushButton>(QStringLiteral("btn2") + suffix);
    tuner->setText(QStringLiteral("Antenna tuner #") + QString::number(rec.TunerNr));
    tuner->setGeometry(167, r + btnTop, 105, btnHeight);
    tuner->setProperty("tag", rec.TunerNr);
    tuner->setAccessibleName(tuner->text() + QStringLiteral(" of ") + panel);
    connect(tuner, &QPushButton::clicked, this, [this, tuner] {
      guarded([&] {
        if (btnTunerClick) btnTunerClick(tuner->property("tag").toInt());
      });
    });
    tuner->show();
  }
}

void StatusList::RemoveStatus() {
  StatusShown = false;
  if (!FirstScanDone) return;
  reindex();
  static const char* const orv11Names[] = {"ss", "lbl", "lbl2", "btn", "btn2"};
  static const char* const orv15Names[] = {"ss", "lbl", "lbl2", "btn"};
  static const char* const orv18Names[] = {"ss", "btn", "lbl", "lbl2"};
  for (int n = 0; n < SystemSlots; ++n) {
    const TSystemRecord& rec = SystemArray[n];
    if (!rec.I_bruk) continue;
    const Model model = modelOf(rec);
    const QString suffix = prefixFor(model) + QString::number(n);
    auto drop = [&](const auto& names) {
      for (const char* p : names) destroyControl(QString::fromLatin1(p) + suffix);
      --Antall;
    };
    switch (model) {
      case Model::Orv11: drop(orv11Names); break;
      case Model::Orv15: drop(orv15Names); break;
      case Model::Orv18: drop(orv18Names); break;
      default: break;
    }
  }
  collectDisplays();
  if (Antall != 0) {
    dialogs::showMessage(QStringLiteral("Noe gikk galt med slettingen! Vennligst start programmet på nytt!"));
  } else {
    fitContent();
  }
}

void StatusList::collectDisplays() {
  displays_.clear();
  for (int n = 0; n < SystemSlots; ++n)
    for (Model model : {Model::Orv11, Model::Orv15, Model::Orv18})
      if (auto* ss = qobject_cast<TSevenSeg*>(control(displayName(model, n))))
        displays_.push_back({n, static_cast<int>(model), ss});
}

void StatusList::OppdaterScrollBox() {
  QString other;
  for (const Display& d : displays_) {
    const TSystemRecord& rec = SystemArray[d.slot];
    const Model model = static_cast<Model>(d.model);
    // A slot that changed its model since the build waits for the next build.
    if (!rec.I_bruk || modelOf(rec) != model) continue;
    if (d.ss && d.ss->parent() == content_) d.ss->setCaption(statusCaption(model, rec.Status, other));
  }
}

void StatusList::ShowCorrectPanel(QObject* Sender) {
  auto* button = qobject_cast<QPushButton*>(Sender);
  if (!button || !addresses_) return;
  const int slot = button->property("tag").toInt();
  if (const int k = addresses_->rowOf(slot); k >= 0) {
    addresses_->select(k);
    if (cbAddressChange) cbAddressChange();
  }
}
