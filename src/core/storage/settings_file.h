#pragma once
// The settings file in the program folder, named after the executable: section "TCPIP", keys "Address" and "Port".
#include <QString>

#include "core/model/file_result.h"

QString settingsFilePath();

struct TcpSettings {
  QString address;
  QString port;
};

// Missing file, section or key gives the default; a key present with an empty value gives "".
// A value is the text after the key's "=" up to the line end, as it stands.
TcpSettings readTcpSettings(const QString& iniPath);

// "Address", then "Port", written together in one store of the whole file, which keeps every other
// line as it was; a value ends at its first line break. A failure reads "Unable to write to " and
// the path, and then neither key has changed.
FileResult writeTcpSettings(const QString& iniPath, const QString& address, const QString& port);
