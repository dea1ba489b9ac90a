#include "gui/info/u_frmStatus4Print.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStringList>

#include "gui/info/centre_on_parent.h"
#include "core/model/formatting.h"
#include "core/model/system_table.h"

QString systemStatusText() {
  QStringList lines;
  for (int n = 1; n < SystemSlots; ++n) {  // slot 0 is never a panel of its own
    const TSystemRecord& rec = SystemArray[n];
    if (!rec.I_bruk) continue;
    lines << QStringLiteral("Address: 0x") + hexText(rec.Adresse) << QStringLiteral("Name: ") + rec.Navn.text()
          << QStringLiteral("Description:: ") + rec.BrukerDef.text()
          << QStringLiteral("Status: 0x") + hexText(rec.Status) << QString(25, u'*');
  }
  lines << QString();
  return lines.join(u'\n');
}

TfrmShowArray::TfrmShowArray(QWidget* parent) : QDialog(parent, Qt::Tool) {
  setObjectName(QStringLiteral("frmShowArray"));
  setWindowTitle(QStringLiteral("Show status"));
  setFixedSize(351, 239);

  memArray = new QPlainTextEdit(this);
  memArray->setObjectName(QStringLiteral("memArray"));
  memArray->setAccessibleName(QStringLiteral("System table"));
  memArray->setGeometry(8, 8, 333, 194);
  memArray->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

  btnToclpbrd = new QPushButton(QStringLiteral("To clipboard"), this);
  btnToclpbrd->setObjectName(QStringLiteral("btnToclpbrd"));
  btnToclpbrd->setGeometry(185, 208, 75, 25);
  btnToclpbrd->setAutoDefault(false);
  connect(btnToclpbrd, &QPushButton::clicked, this, &TfrmShowArray::btnToclpbrdClick);

  btnClose = new QPushButton(QStringLiteral("Close"), this);
  btnClose->setObjectName(QStringLiteral("btnClose"));
  btnClose->setGeometry(266, 208, 75, 25);
  btnClose->setAutoDefault(false);
  connect(btnClose, &QPushButton::clicked, this, &TfrmShowArray::btnCloseClick);

  // Tab leaves the memo, so the buttons can be reached from the keyboard.
  memArray->setTabChangesFocus(true);
  setTabOrder(memArray, btnToclpbrd);
  setTabOrder(btnToclpbrd, btnClose);
}

void TfrmShowArray::FormShow() { memArray->setPlainText(systemStatusText()); }

void TfrmShowArray::btnToclpbrdClick() {
  memArray->selectAll();
  // Back to the memo so the selection shows in the active highlight.
  memArray->setFocus(Qt::OtherFocusReason);
  QGuiApplication::clipboard()->setText(memArray->toPlainText());
}

void TfrmShowArray::btnCloseClick() { close(); }

void TfrmShowArray::showEvent(QShowEvent* event) {
  if (!centred) {
    centred = true;
    centreOnParent(this);
  }
  FormShow();
  QDialog::showEvent(event);
}
