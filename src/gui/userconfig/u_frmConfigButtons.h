#pragma once
// The window "Add user configuration": composes a command sequence and stores it as the command
// file of a user-button slot.
#include <QDialog>

#include "core/storage/command_files.h"

class AddressList;
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
  // `addresses` is the main window's address list; each showing starts on its current entry.
  TfrmConfigButtons(AddressList& addresses, UserButtons* buttons, QWidget* parent = nullptr);

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

  // True while composing a new entry, false after "Edit this entry".
  bool ny = true;

  static inline const QString AllSlotsInUseMessage =
      QStringLiteral("All twenty user buttons are in use. Delete one of them before you add a new entry.");
  static inline const QString NoEntrySelectedMessage =
      QStringLiteral("No entry is selected. Choose the entry to edit from the list, then press \"Save entry\" again.");

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  // The steps of showing an address and of loading the selected entry, which throws when its
  // file cannot be read.
  int shownSlot() const;
  void showProduct(int slot);
  void showPosition(int slot);
  void loadSelectedEntry();
  // The command box's text exactly as it stands.
  QString commandText() const;
  void appendLine(const QString& line);

  AddressList& addresses_;
  UserButtons* buttons_;
  // The file last loaded into the command box; only that file is written back in its encoding.
  struct {
    int slot = -1;
    CommandFile::Encoding encoding = CommandFile::Cp1252;
  } loaded_;

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
