#pragma once
// "Saving configuration": stores the whole system table under a chosen name, with a comment and a
// description in slot 0; and the file part of loading one back.
#include <QDateTime>
#include <QDialog>
#include <QLocale>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

class TfrmSaveConfig : public QDialog {
  Q_OBJECT
 public:
  explicit TfrmSaveConfig(QWidget* parent = nullptr);

  void FormShow();
  void btnSaveClick();
  void btnSaveFKeysClick();
  void btnCloseClick();

  QGroupBox* gbFunctionKey;
  QComboBox* cbFKey;
  QLineEdit* leUserConfigName;
  QPushButton* btnSaveFKeys;
  QGroupBox* gbSystemConfiguration;
  QLineEdit* leComment;
  QPushButton* btnSave;
  QGroupBox* gbPanelsConfigurations;
  QPlainTextEdit* memArray;
  QLabel* lblBeAware;
  QLabel* Label5;
  QPushButton* btnClose;

 protected:
  void showEvent(QShowEvent* event) override;
};

// The time in the locale's long format directly followed by the date in its short format, every
// "." and ":" removed: the proposed name of a saved configuration, before ".dat".
QString TidOgDato(const QDateTime& now, const QLocale& locale);

// "Save all panels configuration": the window only opens once the table has been filled.
void Saveconfiguration1Click(TfrmSaveConfig& form);

// The file part of "Load all panels configuration": warning, open dialog, reading the file and
// showing its comment. True when the table was replaced; the caller then rebuilds the screen
// and polls the panels. A cancelled dialog or a refused file leaves the table as it was.
bool loadConfigurationFile();
