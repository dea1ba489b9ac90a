#pragma once
#include <QDialog>

#include "core/storage/settings_file.h"

class QLineEdit;
class QPushButton;

// The controller's address and port; read at every click of the connect button.
class TfrmTCPIP : public QDialog {
  Q_OBJECT
 public:
  explicit TfrmTCPIP(QWidget* parent = nullptr);
  // The address and port as the operator left them.
  TcpSettings settings() const;
  void setSettings(const TcpSettings& settings);
  QLineEdit* leIP;
  QLineEdit* lePort;
  QPushButton* Button1;
};
