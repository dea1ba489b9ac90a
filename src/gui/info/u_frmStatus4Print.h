#pragma once
#include <QDialog>
#include <QString>

class QPlainTextEdit;
class QPushButton;
class QShowEvent;

// Every panel in use (slots 1..127) as five lines of text, then one empty line; the lines are
// joined by '\n', so the text always ends with an empty last line.
QString systemStatusText();

// The system table as text the operator can copy; rebuilt at every showing.
class TfrmShowArray : public QDialog {
  Q_OBJECT
 public:
  explicit TfrmShowArray(QWidget* parent = nullptr);

  QPlainTextEdit* memArray;
  QPushButton* btnToclpbrd;
  QPushButton* btnClose;

  void FormShow();
  void btnToclpbrdClick();
  void btnCloseClick();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  bool centred = false;
};
