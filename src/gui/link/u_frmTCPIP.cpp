#include "gui/link/u_frmTCPIP.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

TfrmTCPIP::TfrmTCPIP(QWidget* parent) : QDialog(parent, Qt::Tool) {
  setObjectName(QStringLiteral("frmTCPIP"));
  setWindowTitle(QStringLiteral("Configuring TCPIP connection"));
  setFixedSize(241, 121);

  auto labelled = [this](const QString& name, const QString& label, const QString& text, int left, int width) {
    auto* caption = new QLabel(label, this);
    caption->setGeometry(left, 10, width, 16);
    auto* edit = new QLineEdit(text, this);
    edit->setObjectName(name);
    edit->setGeometry(left, 27, width, 21);
    edit->setAccessibleName(label);
    caption->setBuddy(edit);
    return edit;
  };
  leIP = labelled(QStringLiteral("leIP"), QStringLiteral("IP-address"), QStringLiteral("127.0.0.1"), 8, 121);
  lePort = labelled(QStringLiteral("lePort"), QStringLiteral("Port"), QStringLiteral("2501"), 144, 89);

  Button1 = new QPushButton(QStringLiteral("Close"), this);
  Button1->setObjectName(QStringLiteral("Button1"));
  Button1->setGeometry(158, 88, 75, 25);
  Button1->setDefault(true);
  connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
  setTabOrder(leIP, lePort);
  setTabOrder(lePort, Button1);
}

TcpSettings TfrmTCPIP::settings() const { return {leIP->text(), lePort->text()}; }

void TfrmTCPIP::setSettings(const TcpSettings& settings) {
  leIP->setText(settings.address);
  lePort->setText(settings.port);
}
