#include <QApplication>
#include <QFont>
#include <QIcon>
#include <QScreen>

#include "gui/app/u_frmMain.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("OrvControlClient"));
  QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/orvcontrolclient.png")));
  // The windows were designed with these faces; Linux has free look-alikes.
  QFont::insertSubstitution(QStringLiteral("Comic Sans MS"), QStringLiteral("Comic Neue"));
  QFont::insertSubstitution(QStringLiteral("Tahoma"), QStringLiteral("DejaVu Sans Condensed"));

  TfrmMain window;
  window.move(window.screen()->availableGeometry().center() - window.rect().center());
  window.show();
  return app.exec();
}
