#pragma once
#include <QDialog>

class QLineEdit;
class QPushButton;

// The controller's address and port; read at every click of the connect button.
class TfrmTCPIP : public QDialog {
  Q_OBJECT
 public:
  explicit TfrmTCPIP(QWidget* parent = nullptr);
  QLineEdit* leIP;
  QLineEdit* lePort;
  QPushButton* Button1;
};
