#include "gui/userconfig/u_frmConfigButtons.h"

#include <QComboBox>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QTextDocument>

#include "gui/common/address_list.h"
#include "gui/common/operator_dialogs.h"
#include "core/model/integer_rule.h"
#include "core/model/file_names.h"
#include "core/model/formatting.h"
#include "core/model/panel_models.h"
#include "core/model/system_table.h"
#include "core/session/address_list.h"
#include "core/storage/record_files.h"
#include "gui/userconfig/user_buttons.h"

namespace {

QLabel* plainLabel(const QString& text, QWidget* parent, int left, int top) {
  auto* l = new QLabel(text, parent);
  l->setTextFormat(Qt::PlainText);
  l->move(left, top);
  l->adjustSize();
  return l;
}

QPushButton* pushButton(const char* name, const QString& text, QWidget* parent, QRect geometry) {
  auto* b = new QPushButton(text, parent);
  b->setObjectName(QString::fromLatin1(name));
  b->setGeometry(geometry);
  b->setAutoDefault(false);
  return b;
}

QComboBox* editableCombo(const char* name, QWidget* parent, int left, int top, int width) {
  auto* cb = new QComboBox(parent);
  cb->setObjectName(QString::fromLatin1(name));
  cb->setEditable(true);
  cb->setInsertPolicy(QComboBox::NoInsert);
  cb->setGeometry(left, top, width, 21);
  return cb;
}

}  // namespace

TfrmConfigButtons::TfrmConfigButtons(AddressList& addresses, UserButtons* buttons, QWidget* parent)
    : QDialog(parent), addresses_(addresses), buttons_(buttons) {
  setObjectName(QStringLiteral("frmConfigButtons"));
  setWindowTitle(QStringLiteral("Add user configuration"));
  setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  setModal(true);
  setFont(QFont(QStringLiteral("Tahoma"), 8));
  setFixedSize(392, 336);

  gbUserConfig = new QGroupBox(QStringLiteral("User configuration"), this);
  gbUserConfig->setObjectName(QStringLiteral("gbUserConfig"));
  gbUserConfig->setGeometry(8, 8, 377, 289);
  QWidget* gb = gbUserConfig;

  cbEntries = editableCombo("cbEntries", gb, 6, 18, 366);

  lblButtonText = plainLabel(QStringLiteral("Button text (max 15 characters)"), gb, 6, 41);
  leButtonText = new QLineEdit(gb);
  leButtonText->setObjectName(QStringLiteral("leButtonText"));
  leButtonText->setGeometry(6, 57, 249, 21);
  leButtonText->setMaxLength(TUsrBtnType{}.ButtonText.capacity);
  lblButtonText->setBuddy(leButtonText);

  Button1 = pushButton("Button1", QStringLiteral("Edit this entry"), gb, {264, 55, 108, 25});

  lblAddress = plainLabel(QStringLiteral("Address"), gb, 6, 83);
  cbAddress = editableCombo("cbAddress", gb, 6, 97, 50);
  showAddressList(*cbAddress, addresses_);
  lblProduct = plainLabel(QStringLiteral("Product:"), gb, 81, 101);

  lblProdukt = new QLabel(gb);
  lblProdukt->setObjectName(QStringLiteral("lblProdukt"));
  lblProdukt->setTextFormat(Qt::PlainText);
  QFont productFont(QStringLiteral("Comic Sans MS"));
  productFont.setPixelSize(19);
  productFont.setBold(true);
  lblProdukt->setFont(productFont);
  // Up to the "Position:" label, so a long name from the controller cannot cover the fields.
  lblProdukt->setGeometry(125, 91, 128, 28);

  lblPosition = plainLabel(QStringLiteral("Position:"), gb, 255, 100);
  edtPos = new QLineEdit(gb);
  edtPos->setObjectName(QStringLiteral("edtPos"));
  edtPos->setGeometry(302, 97, 47, 21);

  memCommands = new QPlainTextEdit(gb);
  memCommands->setObjectName(QStringLiteral("memCommands"));
  memCommands->setGeometry(6, 124, 290, 154);
  memCommands->setLineWrapMode(QPlainTextEdit::NoWrap);
  memCommands->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

  btnCurrConfig = pushButton("btnCurrConfig", QStringLiteral("Use config"), gb, {302, 124, 70, 25});
  btnNewLine = pushButton("btnNewLine", QStringLiteral("Enter Line"), gb, {302, 164, 70, 25});
  btnClrKey = pushButton("btnClrKey", QStringLiteral("Clear Lines"), gb, {302, 195, 70, 25});
  btnSaveCommand = pushButton("btnSaveCommand", QStringLiteral("Save entry"), gb, {302, 253, 70, 25});
  btnClose = pushButton("btnClose", QStringLiteral("Close"), this, {309, 303, 75, 25});

  // Only the operator's own changes count; filling the lists from code fires nothing.
  connect(cbEntries, &QComboBox::activated, this, &TfrmConfigButtons::cbEntriesChange);
  connect(cbEntries->lineEdit(), &QLineEdit::textEdited, this, &TfrmConfigButtons::cbEntriesChange);
  connect(cbAddress, &QComboBox::activated, this, &TfrmConfigButtons::cbAddressChange);
  connect(cbAddress->lineEdit(), &QLineEdit::textEdited, this, &TfrmConfigButtons::cbAddressChange);
  connect(btnNewLine, &QPushButton::clicked, this, &TfrmConfigButtons::btnNewLineClick);
  connect(btnCurrConfig, &QPushButton::clicked, this, &TfrmConfigButtons::btnCurrConfigClick);
  connect(btnClrKey, &QPushButton::clicked, this, &TfrmConfigButtons::btnClrKeyClick);
  connect(Button1, &QPushButton::clicked, this, &TfrmConfigButtons::Button1Click);
  connect(btnSaveCommand, &QPushButton::clicked, this, &TfrmConfigButtons::btnSaveCommandClick);
  connect(btnClose, &QPushButton::clicked, this, &TfrmConfigButtons::btnCloseClick);

  memCommands->clear();

  // Top to bottom, left to right; Tab leaves the command box (commands hold no tabs).
  memCommands->setTabChangesFocus(true);
  QWidget* order[] = {cbEntries,     leButtonText, Button1,   cbAddress,      edtPos,  memCommands,
                      btnCurrConfig, btnNewLine,   btnClrKey, btnSaveCommand, btnClose};
  for (std::size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);
}

void TfrmConfigButtons::Configusernamesandbuttons1Click() {
  guarded([&] {
    if (!FirstScanDone) {
      dialogs::showMessage(QStringLiteral("Please scan the system for panels before using this function!"));
      return;
    }
    cbEntries->clear();
    exec();
    if (buttons_) buttons_->UpdateUsrButtons();
  });
}

void TfrmConfigButtons::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!event->spontaneous()) FormShow();
}

void TfrmConfigButtons::FormShow() {
  guarded([&] {
    ny = true;
    for (int i = 0; i < MaxUsrBtns; ++i) {
      if (!UsrButtons[i].InUse) continue;
      const QString text = UsrButtons[i].ButtonText.text();
      cbEntries->addItem(text, i);
      cbEntries->setCurrentIndex(cbEntries->count() - 1);
      leButtonText->setText(text);
      if (buttons_ && buttons_->button(i)) buttons_->button(i)->setVisible(true);
    }

    // The main window's current entry, over anything typed here before.
    const int row = addresses_.currentRow();
    cbAddress->setCurrentIndex(row);
    cbAddress->setEditText(cbAddress->itemText(row));
    // A failed load ends the showing before the position is shown.
    const int slot = shownSlot();
    showProduct(slot);
    loadSelectedEntry();
    showPosition(slot);
  });
}

// A slot outside the table has no panel; showing another slot's name or status would mislead.
int TfrmConfigButtons::shownSlot() const {
  return addresses_.slotShown(cbAddress->currentIndex(), cbAddress->currentText());
}

void TfrmConfigButtons::showProduct(int slot) {
  lblProdukt->setText(isSystemSlot(slot) ? SystemArray[slot].Navn.text() : QString());
}

void TfrmConfigButtons::showPosition(int slot) {
  if (!isSystemSlot(slot)) {
    edtPos->clear();
    return;
  }
  edtPos->setText(settingTextOf(SystemArray[slot]));
}

void TfrmConfigButtons::cbAddressChange() {
  guarded([&] {
    const int slot = shownSlot();
    showProduct(slot);
    showPosition(slot);
  });
}

int TfrmConfigButtons::selectedSlot() const {
  const QString text = cbEntries->currentText();
  int index = cbEntries->currentIndex();
  if (index < 0 || cbEntries->itemText(index) != text) index = cbEntries->findText(text, Qt::MatchExactly);
  if (index < 0) return -1;
  bool ok = false;
  const int slot = cbEntries->itemData(index).toInt(&ok);
  return ok && slot >= 0 && slot < MaxUsrBtns ? slot : -1;
}

void TfrmConfigButtons::cbEntriesChange() {
  guarded([&] { loadSelectedEntry(); });
}

void TfrmConfigButtons::loadSelectedEntry() {
  memCommands->clear();
  loaded_ = {};
  const int slot = selectedSlot();
  if (slot < 0) return;
  const QString path = filenames::resolve(UsrButtons[slot].FileName.text());
  if (path.isEmpty() || !QFileInfo::exists(path)) return;
  CommandFile file = readCommandFile(path);
  loaded_ = {slot, file.encoding};
  leButtonText->setText(UsrButtons[slot].ButtonText.text());
  // The header is dropped unless it looks like a command or is empty.
  if (!file.lines.isEmpty() && !file.lines.first().isEmpty() && !file.lines.first().startsWith(u'#'))
    file.lines.removeFirst();
  if (!file.lines.isEmpty()) memCommands->setPlainText(file.lines.join(u'\n') + u'\n');
}

// QPlainTextEdit::toPlainText turns no-break spaces into plain ones; the file gets what the box holds.
QString TfrmConfigButtons::commandText() const {
  QString text = memCommands->document()->toRawText();
  for (QChar& c : text)
    if (c == QChar::ParagraphSeparator || c == QChar::LineSeparator) c = u'\n';
  return text;
}

void TfrmConfigButtons::appendLine(const QString& line) {
  QString text = commandText();
  if (!text.isEmpty() && !text.endsWith(u'\n')) text += u'\n';
  memCommands->setPlainText(text + line + u'\n');
  memCommands->moveCursor(QTextCursor::End);
}

void TfrmConfigButtons::btnNewLineClick() {
  guarded([&] {
    const int position = StrToInt(QString(u'$') + edtPos->text());
    appendLine(u'#' + cbAddress->currentText() + QStringLiteral(" Set X:1=") + QString::number(position));
  });
}

void TfrmConfigButtons::btnCurrConfigClick() {
  guarded([&] {
    for (const TSystemRecord& rec : SystemArray) {
      if (!rec.I_bruk) continue;
      const QString value = rec.Status <= 8 ? QString::number(rec.Status) : hexText(rec.Status, 2);
      appendLine(QStringLiteral("#0x") + hexText(rec.Adresse, 2) + QStringLiteral(" Set X:1=") + value);
    }
  });
}

void TfrmConfigButtons::btnClrKeyClick() {
  guarded([&] { memCommands->clear(); });
}

void TfrmConfigButtons::Button1Click() {
  guarded([&] { ny = false; });
}

void TfrmConfigButtons::btnSaveCommandClick() {
  guarded([&] {
    int k = -1;
    if (ny) {
      for (int i = 0; i < MaxUsrBtns && k < 0; ++i)
        if (!UsrButtons[i].InUse) k = i;
      if (k < 0) {
        dialogs::showMessage(AllSlotsInUseMessage);
        return;
      }
    } else {
      k = selectedSlot();
      if (k < 0) {
        dialogs::showMessage(NoEntrySelectedMessage);
        return;
      }
    }

    const QString buttonText = leButtonText->text();
    // The file first: if it cannot be written, the slot, the list and the box stay as they were.
    writeCommandFile(commandFilePath(k), buttonText + u'\n' + commandText(),
                     k == loaded_.slot ? loaded_.encoding : CommandFile::Cp1252);

    TUsrBtnType& slot = UsrButtons[k];
    if (ny) {
      slot.Index = k;
      slot.InUse = true;
      cbEntries->addItem(buttonText, k);
      cbEntries->setCurrentIndex(cbEntries->count() - 1);
    } else {
      const int index = cbEntries->findData(k);
      if (index >= 0) cbEntries->setItemText(index, buttonText);
    }
    slot.FileName.set(commandFileName(k));
    slot.ButtonText.set(buttonText);

    memCommands->clear();
    leButtonText->clear();
    reportIfFailed(records::storeUsrButtons());
    accept();
  });
}

void TfrmConfigButtons::btnCloseClick() {
  guarded([&] { reject(); });
}
