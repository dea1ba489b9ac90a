#include "core/model/program_folder.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>

QString defaultProgramFolder() {
#ifdef ORV_USER_DATA_FOLDER
  // A fixed name, not the application's: every front end shares the one folder.
  const QString folder =
      QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/OrvControlClient");
#else
  const QString folder = QCoreApplication::applicationDirPath();
#endif
  QDir().mkpath(folder);
  return folder + u'/';
}
