#pragma once
// The settings file in the program folder, named after the executable: section "TCPIP", keys "Address" and "Port".
#include <QString>

#include "model/file_result.h"

QString settingsFilePath();

struct TcpSettings {
  QString address;
  QString port;
};

// Missing file, section or key gives the default; a key present with an empty value gives "".
TcpSettings readTcpSettings(const QString& iniPath);

// "Address", then "Port", each written through at once. A failure reads "Unable to write to " and
// the path; "Port" is not attempted when "Address" failed.
FileResult writeTcpSettings(const QString& iniPath, const QString& address, const QString& port);
