#include "gui/userconfig/user_buttons.h"

#include <QAction>
#include <QMenu>
#include <QPushButton>
#include <QThread>

#include "gui/common/operator_dialogs.h"
#include "core/link/controller_link.h"
#include "core/model/system_table.h"
#include "core/storage/record_files.h"
#include "core/storage/command_files.h"

static_assert(MaxUsrBtns == 20);

UserButtons::UserButtons(QWidget* sbKnapperContent, ControllerLink* link, QObject* parent)
    : QObject(parent), link_(link) {
  QFont font(QStringLiteral("Comic Sans MS"));
  font.setPixelSize(13);
  for (int k = 0; k < MaxUsrBtns; ++k) {
    auto* b = new QPushButton(QStringLiteral("Not configured"), sbKnapperContent);
    b->setObjectName(QStringLiteral("btnUsrConf%1").arg(k));
    b->setProperty("tag", k);
    b->setGeometry(k % 2 == 0 ? 7 : 156, 10 + 44 * (k / 2), ButtonWidth, ButtonHeight);
    b->setFont(font);
    b->setContextMenuPolicy(Qt::CustomContextMenu);
    b->hide();
    connect(b, &QPushButton::clicked, this, [this, b] { btnUsrConfClick(b->property("tag").toInt()); });
    connect(b, &QWidget::customContextMenuRequested, this,
            [this, b, k](const QPoint& pos) { openPopup(k, b->mapToGlobal(pos)); });
    buttons_[k] = b;
  }
  puUsrBtns = new QMenu(sbKnapperContent);
  puUsrBtns->setObjectName(QStringLiteral("puUsrBtns"));
  delBtn = puUsrBtns->addAction(QStringLiteral("Delete this button"));
  delBtn->setObjectName(QStringLiteral("delBtn"));
  connect(delBtn, &QAction::triggered, this, &UserButtons::delBtnClick);
}

QPushButton* UserButtons::button(int k) const { return k >= 0 && k < MaxUsrBtns ? buttons_[k] : nullptr; }

void UserButtons::openPopup(int k, const QPoint& globalPos) {
  if (!button(k) || !button(k)->isVisible()) return;
  popupIndex_ = k;
  puUsrBtns->popup(globalPos);
}

void UserButtons::UpdateUsrButtons() {
  for (int k = 0; k < MaxUsrBtns; ++k) {
    if (!UsrButtons[k].InUse) continue;
    // "&" would mark a shortcut letter; the operator's text is shown as typed.
    buttons_[k]->setText(UsrButtons[k].ButtonText.text().replace(u'&', QStringLiteral("&&")));
    buttons_[k]->show();
  }
}

void UserButtons::hideAll() {
  for (auto* b : buttons_) b->hide();
}

void UserButtons::btnUsrConfClick(int indeks) {
  guarded([&] {
    if (indeks < 0 || indeks >= MaxUsrBtns) return;
    const QString path = commandFilePath(indeks);
    const CommandFile file = readCommandFile(path);  // empty when there is no file
    // The first line is the header; the pauses hold this thread on purpose, nothing else may
    // run between the lines.
    for (qsizetype i = 1; i < file.lines.size(); ++i) {
      if (link_) link_->SendCommand(file.lines[i] + CrLf);
      QThread::msleep(Delay);
    }
  });
}

void UserButtons::delBtnClick() {
  guarded([&] {
    const int indeks = popupIndex_;
    if (indeks < 0 || indeks >= MaxUsrBtns) return;
    UsrButtons[indeks].InUse = false;
    buttons_[indeks]->hide();
    reportIfFailed(records::storeUsrButtons());
    UpdateUsrButtons();
  });
}
