#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QSet>
#include <QString>

#include <optional>
#include <vector>

class QCommandLineParser;

struct SimPanel {
  int address = 0;
  QByteArray model;  // sent as is, in the 8-bit code page
  int status = 0;
  bool operator==(const SimPanel&) const = default;
};

struct SimOptions {
  QHostAddress bind{QHostAddress::LocalHost};
  quint16 port = 2501;  // 0: any free port
  std::vector<SimPanel> panels = defaultPanels();
  int replyDelayMs = 0;
  int splitPauseMs = -1;  // < 0: every reply in one write
  QSet<int> silentAddresses;
  int closeAfter = -1;  // < 0: never; otherwise close after this many received lines
  QByteArray onConnect;
  bool noAnswer = false;
  int maxLineLength = 4096;  // terminator excluded
  bool echo = true;          // print the traffic on stdout

  static std::vector<SimPanel> defaultPanels();
};

// "0x02=Orv15:4,03=Orv18" -> panels. Addresses 0x00..0xFE (0xFF is the broadcast address),
// no duplicates; the status is the decimal after the last ':', 0 when absent.
std::optional<std::vector<SimPanel>> parsePanelList(const QString& text, QString* error);

// n panels at 1..n, cycling through the models with plausible statuses.
std::vector<SimPanel> manyPanels(int n);

// C-style escapes: \r \n \t \0 \\ \xHH. Characters above U+00FF are refused.
std::optional<QByteArray> unescapeBytes(const QString& text, QString* error);

void addSimOptions(QCommandLineParser& parser);
std::optional<SimOptions> simOptionsFromParser(const QCommandLineParser& parser, QString* error);
