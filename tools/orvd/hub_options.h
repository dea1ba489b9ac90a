#pragma once
// What orvd is asked to do by its command line.
#include <QHostAddress>
#include <QString>
#include <QStringList>

struct HubOptions {
  QString host;  // the controller
  int port = 0;
  QHostAddress listenAddress;  // the line port
  quint16 listenPort = 0;
  QString station;
};

// A run that ends before it starts: the help or the version (status 0, for standard output) or a
// bad command line (status 1, one line for standard error).
struct HubExit {
  int status;
  QString text;
};

// The options, the controller's defaults read from the program's settings file in --dir (which
// becomes the program folder); throws HubExit.
HubOptions readHubOptions(const QStringList& args);

// "ADDRESS:PORT"
QString endpointText(const QHostAddress& address, quint16 port);
