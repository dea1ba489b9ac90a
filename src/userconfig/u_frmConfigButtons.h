#pragma once
// The window "Add user configuration": composes a command sequence and stores it as the command
// file of a user-button slot.
#include <QDialog>

#include "userconfig/command_files.h"

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class UserButtons;

class TfrmConfigButtons : public QDialog {
  Q_OBJECT
 public:
  // `mainAddressList` is the main window's address list, copied at every showing.
  TfrmConfigButtons(QComboBox* mainAddressList, UserButtons* buttons, QWidget* parent = nullptr);

  void clearAddressList();
  // The menu item: refused before the first scan; otherwise shows the window modally and then
  // refreshes the user buttons.
  void Configusernamesandbuttons1Click();

  // Handlers; each is complete in itself (failures are shown, never thrown).
  void FormShow();
  void cbEntriesChange();
  void cbAddressChange();
  void btnNewLineClick();
  void btnCurrConfigClick();
  void btnClrKeyClick();
  void Button1Click();
  void btnSaveCommandClick();
  void btnCloseClick();

  // The slot of the selected entry, or -1 when the entry field names no entry.
  int selectedSlot() const;
  // The encoding the command box is written in: that of the file last loaded into it.
  CommandFile::Encoding boxEncoding() const { return boxEncoding_; }

  // True while composing a new entry, false after "Edit this entry".
  bool ny = true;

  static inline const QString AllSlotsInUseMessage =
      QStringLiteral("All twenty user buttons are in use. Delete one of them before you add a new entry.");
  static inline const QString NoEntrySelectedMessage =
      QStringLiteral("No entry is selected. Choose the entry to edit from the list, then press \"Save entry\" again.");

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void showAddress();
  void appendLine(const QString& line);

  QComboBox* mainAddressList_;
  UserButtons* buttons_;
  CommandFile::Encoding boxEncoding_ = CommandFile::Cp1252;

  QGroupBox* gbUserConfig;
  QComboBox* cbEntries;
  QLabel* lblButtonText;
  QLineEdit* leButtonText;
  QPushButton* Button1;
  QLabel* lblAddress;
  QComboBox* cbAddress;
  QLabel* lblProduct;
  QLabel* lblProdukt;
  QLabel* lblPosition;
  QLineEdit* edtPos;
  QPlainTextEdit* memCommands;
  QPushButton* btnCurrConfig;
  QPushButton* btnNewLine;
  QPushButton* btnClrKey;
  QPushButton* btnSaveCommand;
  QPushButton* btnClose;
};
