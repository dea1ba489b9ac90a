#include "gui/info/u_frmAbout.h"

#include <QFont>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>

#include "gui/info/centre_on_parent.h"

void initAboutResources() {
  static const bool registered = [] {
    Q_INIT_RESOURCE(about);
    return true;
  }();
  (void)registered;
}

TfrmAbout::TfrmAbout(QWidget* parent) : QDialog(parent, Qt::Tool) {
  setObjectName(QStringLiteral("frmAbout"));
  setWindowTitle(QStringLiteral("About......."));
  setFixedSize(505, 514);

  lblHeading = new QLabel(QStringLiteral("Control program for Orvane panels"), this);
  lblHeading->setObjectName(QStringLiteral("lblHeading"));
  QFont heading(QStringLiteral("Comic Sans MS"));
  heading.setPixelSize(21);
  heading.setBold(true);
  lblHeading->setFont(heading);
  lblHeading->move(24, 2);
  lblHeading->adjustSize();

  initAboutResources();
  imgPanels = new QLabel(this);
  imgPanels->setObjectName(QStringLiteral("imgPanels"));
  imgPanels->setGeometry(24, 32, 450, 437);
  imgPanels->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  imgPanels->setPixmap(QPixmap(QString::fromLatin1(AboutPictureResource)));

  btnClose = new QPushButton(QStringLiteral("Close"), this);
  btnClose->setObjectName(QStringLiteral("btnClose"));
  btnClose->setGeometry(422, 481, 75, 25);
  btnClose->setDefault(true);
  connect(btnClose, &QPushButton::clicked, this, &QDialog::close);
}

void TfrmAbout::showEvent(QShowEvent* event) {
  if (!centred) {
    centred = true;
    centreOnParent(this);
  }
  QDialog::showEvent(event);
}
