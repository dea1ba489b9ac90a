// orvctl: the controller from the command line, for scripts and stations without a screen.
#include <QCoreApplication>
#include <QTextStream>

#include <cstdio>

#include "orvctl_commands.h"

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("orvctl"));
  QTextStream in(stdin);
  QTextStream out(stdout);
  QTextStream err(stderr);
  return runOrvctl(app.arguments().mid(1), in, out, err);
}
