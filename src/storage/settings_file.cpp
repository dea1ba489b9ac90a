#include "storage/settings_file.h"

#include "model/system_table.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

#include "model/file_names.h"
#include "model/system_table.h"

namespace {

const QString Section = QStringLiteral("TCPIP");

// The text behind "key=" in the section, as it stands in the file.
QString rawValue(const QString& iniPath, const QString& key) {
  QFile file(iniPath);
  if (!QFileInfo(iniPath).isFile() || !file.open(QIODevice::ReadOnly | QIODevice::Text)) return {};
  bool inSection = false;
  while (!file.atEnd()) {
    const QString line = QString::fromUtf8(file.readLine()).trimmed();
    if (line.startsWith(u'[')) {
      inSection = line == u'[' + Section + u']';
    } else if (inSection) {
      const qsizetype eq = line.indexOf(u'=');
      if (eq > 0 && QStringView(line).left(eq).trimmed() == key) return line.mid(eq + 1).trimmed();
    }
  }
  return {};
}

QString readValue(QSettings& settings, const QString& iniPath, const QString& key, const QString& fallback) {
  const QString path = Section + u'/' + key;
  if (!settings.contains(path)) return fallback;
  const QVariant value = settings.value(path);
  // An unquoted "," in a hand-edited line makes QSettings split the value into a list.
  if (value.typeId() == QMetaType::QStringList) return rawValue(iniPath, key);
  return value.toString();
}

}  // namespace

// In the program folder (InstalledPath) and named after the executable. Executables
// carry no extension here, so a dot in the name is part of the name.
QString settingsFilePath() {
  return filenames::programFile(QFileInfo(QCoreApplication::applicationFilePath()).fileName() + QStringLiteral(".INI"));
}

TcpSettings readTcpSettings(const QString& iniPath) {
  QSettings settings(iniPath, QSettings::IniFormat);
  return {readValue(settings, iniPath, QStringLiteral("Address"), QStringLiteral("127.0.0.1")),
          readValue(settings, iniPath, QStringLiteral("Port"), QStringLiteral("2501"))};
}

FileResult writeTcpSettings(const QString& iniPath, const QString& address, const QString& port) {
  QSettings settings(iniPath, QSettings::IniFormat);
  for (const auto& [key, value] :
       {std::pair{QStringLiteral("Address"), address}, std::pair{QStringLiteral("Port"), port}}) {
    settings.setValue(Section + u'/' + key, value);
    settings.sync();
    // A FormatError only says the old file held lines QSettings could not parse; it still wrote.
    if (settings.status() == QSettings::AccessError) {
      return {QStringLiteral("Unable to write to ") + iniPath};
    }
  }
  return {};
}
