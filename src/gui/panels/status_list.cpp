#include "gui/panels/status_list.h"

#include <QLabel>
#include <QPushButton>
#include <QScrollArea>

#include "core/model/formatting.h"
#include "core/model/panel_models.h"
#include "core/model/system_table.h"
#include "core/session/address_list.h"
#include "gui/common/operator_dialogs.h"
#include "gui/controls/seven_seg.h"

namespace {

// Out of the tree at once so the name is free; deleted once the current event is done, since the
// control may be the one whose click is being handled.
template <class W>
void destroyControl(QPointer<W>& w) {
  if (!w) return;
  w->hide();
  w->setObjectName(QString());
  w->setParent(nullptr);
  w->deleteLater();
  w = nullptr;
}

// A control left behind by a failed removal gives way to the new one.
template <class W>
W* create(QPointer<W>& role, QWidget* content, const QString& name) {
  destroyControl(role);
  auto* w = new W(content);
  w->hide();
  w->setObjectName(name);
  role = w;
  return w;
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

void StatusList::StatusScroll() {
  Antall = 0;
  if (content_) {
    for (int n = 0; n < SystemSlots; ++n) {
      const TSystemRecord& rec = SystemArray[n];
      if (!rec.I_bruk) continue;
      const PanelModel* model = panelModelOf(rec);
      if (!model || !model->listed) continue;
      buildBlock(n, *model, Antall * ssHeight);
      ++Antall;
    }
    fitContent();
  }
  StatusShown = true;
}

void StatusList::buildBlock(int n, const PanelModel& model, int r) {
  const TSystemRecord& rec = SystemArray[n];
  Block& block = blocks_[{n, &model}];
  const QString suffix = model.name + u'_' + QString::number(n);
  // Every further digit widens the display and moves the rest of the block right.
  const int shift = 30 * (model.digits - 1);
  const QString panel = rec.Navn.text() + QStringLiteral(" @ address 0x") + hexText(rec.Adresse, 2);

  QFont font(QStringLiteral("Comic Sans MS"));
  font.setPointSize(ScrollFontSize);

  auto* ss = create(block.ss, content_, QStringLiteral("ss") + suffix);
  ss->setGeometry(10, r + 10, ssWidth + shift, ssHeight);
  ss->setNumDigits(model.digits);
  ss->setCaption(model.settingText(rec.Status));
  block.shownStatus = rec.Status;
  ss->setAccessibleName(QStringLiteral("Status of ") + panel);
  ss->show();

  auto* name = create(block.name, content_, QStringLiteral("lbl2") + suffix);
  name->setTextFormat(Qt::PlainText);
  name->setFont(font);
  name->setText(panel);
  name->move(50 + shift, r + 10);
  name->adjustSize();
  name->show();

  auto* desc = create(block.description, content_, QStringLiteral("lbl") + suffix);
  desc->setTextFormat(Qt::PlainText);
  desc->setFont(font);
  desc->setText(model.description);
  desc->move(50 + shift, r + 25);
  desc->adjustSize();
  desc->show();

  auto* select = create(block.select, content_, QStringLiteral("btn") + suffix);
  select->setText(QStringLiteral("Select panel"));
  select->setAccessibleName(QStringLiteral("Select panel ") + panel);
  select->setGeometry(btnLeft + shift, r + btnTop, btnWidth, btnHeight);
  select->setProperty("tag", n);
  connect(select, &QPushButton::clicked, this, [this, select] { guarded([&] { ShowCorrectPanel(select); }); });
  select->show();

  if (model.tuner && AntallTunere < 4) {
    auto* tuner = create(block.tuner, content_, QStringLiteral("btn2") + suffix);
    tuner->setText(QStringLiteral("Antenna tuner #") + QString::number(rec.TunerNr));
    tuner->setGeometry(167, r + btnTop, 105, btnHeight);
    tuner->setProperty("tag", rec.TunerNr);
    tuner->setAccessibleName(tuner->text() + QStringLiteral(" of ") + panel);
    connect(tuner, &QPushButton::clicked, this,
            [this, tuner] { guarded([&] { emit tunerRequested(tuner->property("tag").toInt()); }); });
    tuner->show();
  }
}

void StatusList::destroyBlock(Block& block) {
  destroyControl(block.ss);
  destroyControl(block.description);
  destroyControl(block.name);
  destroyControl(block.select);
  destroyControl(block.tuner);
}

void StatusList::RemoveStatus() {
  StatusShown = false;
  if (!FirstScanDone) return;
  // The blocks are found through the table as it is now; what it no longer names stays.
  for (int n = 0; n < SystemSlots; ++n) {
    const TSystemRecord& rec = SystemArray[n];
    if (!rec.I_bruk) continue;
    const PanelModel* model = panelModelOf(rec);
    if (!model || !model->listed) continue;
    if (const auto it = blocks_.find({n, model}); it != blocks_.end()) {
      destroyBlock(it->second);
      blocks_.erase(it);
    }
    --Antall;
  }
  if (Antall != 0) {
    dialogs::showMessage(QStringLiteral("Noe gikk galt med slettingen! Vennligst start programmet på nytt!"));
  } else {
    fitContent();
  }
}

void StatusList::OppdaterScrollBox() {
  for (auto& [key, block] : blocks_) {
    const auto& [slot, model] = key;
    const TSystemRecord& rec = SystemArray[slot];
    if (rec.Status == block.shownStatus || !block.ss) continue;
    // A slot that changed its model since the build waits for the next build.
    if (!rec.I_bruk || panelModelOf(rec) != model) continue;
    block.ss->setCaption(model->settingText(rec.Status));
    block.shownStatus = rec.Status;
  }
}

void StatusList::ShowCorrectPanel(QObject* Sender) {
  auto* button = qobject_cast<QPushButton*>(Sender);
  if (!button) return;
  if (selectSlot(button->property("tag").toInt())) emit panelSelected();
}

bool StatusList::selectSlot(int slot) {
  if (!addresses_) return false;
  const int k = addresses_->rowOf(slot);
  if (k < 0) return false;
  addresses_->select(k);
  return true;
}
