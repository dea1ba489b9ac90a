#pragma once
// The settings file in the program folder, named after the executable: section "TCPIP", keys "Address" and "Port".
#include <QString>

QString settingsFilePath();

struct TcpSettings {
  QString address;
  QString port;
};

// Missing file, section or key gives the default; a key present with an empty value gives "".
TcpSettings readTcpSettings(const QString& iniPath);

// "Address", then "Port", each written through at once. On failure shows "Unable to write to "
// and the path, and returns false; "Port" is not attempted when "Address" failed.
bool writeTcpSettings(const QString& iniPath, const QString& address, const QString& port);
