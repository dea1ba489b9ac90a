#include "gui/storage/u_frmSaveConfig.h"

#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShowEvent>

#include "gui/common/operator_dialogs.h"
#include "core/model/file_names.h"
#include "core/model/formatting.h"
#include "core/model/system_table.h"
#include "core/storage/record_files.h"

namespace {

QLineEdit* labelledEdit(QWidget* parent, const QString& name, const QString& caption, int left, int top, int width) {
  auto* label = new QLabel(caption, parent);
  label->setObjectName(name + QStringLiteral("Label"));
  label->setTextFormat(Qt::PlainText);
  label->setGeometry(left, top - 16, width, 13);
  auto* edit = new QLineEdit(parent);
  edit->setObjectName(name);
  edit->setGeometry(left, top, width, 21);
  label->setBuddy(edit);
  return edit;
}

QPushButton* button(QWidget* parent, const QString& name, const QString& caption, int left, int top) {
  auto* b = new QPushButton(caption, parent);
  b->setObjectName(name);
  b->setGeometry(left, top, 75, 25);
  return b;
}

// Qt's long time formats end in the time zone, which a regional time text of the original
// platform never held; drop it (and the brackets or comma around it).
QString timeFormatWithoutZone(const QString& format) {
  QString out;
  bool quoted = false;
  for (const QChar c : format) {
    if (c == u'\'') quoted = !quoted;
    if (!quoted && c == u't') continue;
    out += c;
  }
  out.replace(QStringLiteral("()"), QString()).replace(QStringLiteral("[]"), QString());
  out = out.trimmed();
  while (out.endsWith(u',')) out = out.chopped(1).trimmed();
  return out;
}

}  // namespace

QString TidOgDato(const QDateTime& now, const QLocale& locale) {
  QString text = locale.toString(now.time(), timeFormatWithoutZone(locale.timeFormat(QLocale::LongFormat))) +
                 locale.toString(now.date(), QLocale::ShortFormat);
  text.remove(u'.').remove(u':');
  return text;
}

TfrmSaveConfig::TfrmSaveConfig(QWidget* parent) : QDialog(parent, Qt::Tool) {
  setObjectName(QStringLiteral("frmSaveConfig"));
  setWindowTitle(QStringLiteral("Saving configuration"));
  setFont(QFont(QStringLiteral("Tahoma"), 8));
  setFixedSize(423, 380);
  setModal(true);

  gbFunctionKey = new QGroupBox(QStringLiteral("Function Key"), this);
  gbFunctionKey->setObjectName(QStringLiteral("gbFunctionKey"));
  gbFunctionKey->setGeometry(8, 8, 407, 85);

  cbFKey = new QComboBox(gbFunctionKey);
  cbFKey->setObjectName(QStringLiteral("cbFKey"));
  cbFKey->setEditable(true);
  cbFKey->setGeometry(7, 25, 73, 21);
  // As the keys were laid out at first: F5 twice, no F6.
  for (const char* modifier : {"Alt+", "Ctrl+"})
    for (int key : {1, 2, 3, 4, 5, 5, 7, 8, 9, 10, 11, 12})
      cbFKey->addItem(QString::fromLatin1(modifier) + u'F' + QString::number(key));
  cbFKey->setCurrentIndex(0);

  leUserConfigName =
      labelledEdit(gbFunctionKey, QStringLiteral("leUserConfigName"), QStringLiteral("Description"), 86, 25, 308);
  btnSaveFKeys = button(gbFunctionKey, QStringLiteral("btnSaveFKeys"), QStringLiteral("Save"), 321, 52);

  gbSystemConfiguration = new QGroupBox(QStringLiteral("System configuration"), this);
  gbSystemConfiguration->setObjectName(QStringLiteral("gbSystemConfiguration"));
  gbSystemConfiguration->setGeometry(8, 97, 407, 157);

  leComment = labelledEdit(gbSystemConfiguration, QStringLiteral("leComment"),
                           QStringLiteral("Keywords describing the System Configuration"), 9, 32, 387);
  btnSave = button(gbSystemConfiguration, QStringLiteral("btnSave"), QStringLiteral("Save"), 319, 122);

  gbPanelsConfigurations = new QGroupBox(QStringLiteral("Panels configurations"), gbSystemConfiguration);
  gbPanelsConfigurations->setObjectName(QStringLiteral("gbPanelsConfigurations"));
  gbPanelsConfigurations->setGeometry(7, 59, 224, 88);

  memArray = new QPlainTextEdit(gbPanelsConfigurations);
  memArray->setObjectName(QStringLiteral("memArray"));
  memArray->setGeometry(4, 17, 216, 65);
  memArray->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  memArray->setReadOnly(true);
  memArray->clear();

  QFont bold = font();
  bold.setBold(true);
  lblBeAware = new QLabel(QStringLiteral("Please be aware of the following:"), this);
  lblBeAware->setObjectName(QStringLiteral("lblBeAware"));
  lblBeAware->setTextFormat(Qt::PlainText);
  lblBeAware->setFont(bold);
  lblBeAware->move(8, 262);
  lblBeAware->adjustSize();

  Label5 = new QLabel(this);
  Label5->setObjectName(QStringLiteral("Label5"));
  Label5->setTextFormat(Qt::PlainText);
  Label5->setFont(bold);
  Label5->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  Label5->setGeometry(8, 281, 399, 64);

  btnClose = button(this, QStringLiteral("btnClose"), QStringLiteral("Close"), 340, 347);

  // Enter saves the system configuration (the file dialog comes first); the function-key "Save" and
  // "Close" only take Space.
  btnSaveFKeys->setAutoDefault(false);
  btnClose->setAutoDefault(false);
  memArray->setTabChangesFocus(true);
  QWidget* order[] = {cbFKey, leUserConfigName, btnSaveFKeys, leComment, memArray, btnSave, btnClose};
  for (std::size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);

  connect(btnSave, &QPushButton::clicked, this, [this] { guarded([&] { btnSaveClick(); }); });
  connect(btnSaveFKeys, &QPushButton::clicked, this, [this] { guarded([&] { btnSaveFKeysClick(); }); });
  connect(btnClose, &QPushButton::clicked, this, [this] { guarded([&] { btnCloseClick(); }); });
}

void TfrmSaveConfig::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!event->spontaneous()) guarded([&] { FormShow(); });
}

void TfrmSaveConfig::FormShow() {
  Label5->setText(QStringLiteral("If the current system hardware is changed after saving (other panels,") + CrLf +
                  QStringLiteral("different addresses etc.), the system will be messed up!") + CrLf + CrLf +
                  QStringLiteral("This may cause serious damage to equipment connected and the") + CrLf +
                  QStringLiteral("system will have odd behaviour!"));
  QStringList lines;
  for (int k = 1; k < SystemSlots; ++k) {
    const TSystemRecord& slot = SystemArray[k];
    if (!slot.I_bruk) continue;
    lines << QStringLiteral("Addrese: 0x") + hexText(slot.Adresse) << QStringLiteral("Name: ") + slot.Navn.text()
          << QStringLiteral("User defined: ") + slot.BrukerDef.text()
          << QStringLiteral("Status: 0x") + hexText(slot.Status) << QStringLiteral("*************************");
  }
  memArray->setPlainText(lines.join(u'\n'));
}

void TfrmSaveConfig::btnSaveClick() {
  // Taken over before the dialog, and kept even when the operator cancels.
  SystemArray[0].Comment = leComment->text();

  FileDialogRequest request;
  request.save = true;
  request.startFolder = filenames::programFile(QStringLiteral("Configurations"));
  // A "/" from a date format would turn the name into a folder path.
  request.proposedName =
      TidOgDato(QDateTime::currentDateTime(), QLocale::system()).replace(u'/', u'-').replace(u'\\', u'-') +
      QStringLiteral(".dat");
  request.filter = QStringLiteral("Orvane Control system config files|*.dat|All files|*.*");
  const QString path = dialogs::askFileName(request);
  if (path.isEmpty()) return;

  SystemArray[0].BrukerDef = leUserConfigName->text();
  // After a failed save the window stays open for another try.
  if (const FileResult saved = records::writeSystemTo(path); !saved) {
    reportFailure(saved.error);
    return;
  }
  accept();
}

void TfrmSaveConfig::btnSaveFKeysClick() { dialogs::showMessage(QStringLiteral("Virker ikke enn\u00e5!")); }

void TfrmSaveConfig::btnCloseClick() { reject(); }

void Saveconfiguration1Click(TfrmSaveConfig& form) {
  if (!FirstScanDone) {
    dialogs::showMessage(QStringLiteral("Please scan the system for panels before using this function!"));
    return;
  }
  form.exec();
}

bool loadConfigurationFile() {
  dialogs::showMessage(
      QStringLiteral("If the current system configuration is different (other panels, different addresses etc.), the "
                     "system will be messed up!") +
      CrLf + CrLf +
      QStringLiteral("This may cause serious damage to equipment connected and the system will have odd behaviour!") +
      CrLf + CrLf + QStringLiteral("Continue loading at your own risk!"));

  FileDialogRequest request;
  request.title = QStringLiteral("Open configuration files");
  request.startFolder = filenames::programFile(QStringLiteral("Configurations"));
  request.filter = QStringLiteral("Orvane Control configuration files|*.dat|All files|*.*");
  const QString path = dialogs::askFileName(request);
  if (path.isEmpty()) return false;

  QString error;
  if (!records::readSystemFrom(path, &error)) {
    dialogs::showMessage(
        QStringLiteral("Cannot load configuration file \"%1\". %2").arg(QDir::toNativeSeparators(path), error));
    return false;
  }
  dialogs::showMessage(QStringLiteral("Comment assosiated with this config file: ") + CrLf +
                       SystemArray[0].Comment.text());
  return true;
}
