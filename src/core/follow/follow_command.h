#pragma once
// "orvctl follow": reads its options and the band map, then follows until SIGINT or SIGTERM.
#include <QHostAddress>
#include <QString>
#include <QStringList>

#include <optional>

#include "core/follow/band_map.h"

// The controller, as orvctl's own options give it.
struct FollowTarget {
  QString host = QStringLiteral("127.0.0.1");
  quint16 port = 2501;
  int timeoutMs = 1000;  // for each command's reply
  bool json = false;     // events and failures as JSON, one object a line
};

struct FollowSettings {
  QString rigHost;  // --rig HOST:PORT
  quint16 rigPort = 0;
  std::optional<quint16> n1mmPort;                   // --n1mm [ADDR:]PORT
  QHostAddress n1mmListen{QHostAddress::LocalHost};  // loopback unless ADDR is given
  std::optional<QHostAddress> n1mmSender;            // --n1mm-from ADDR
  std::optional<int> radio;                          // --radio N
  QString mapFile;                                   // --map FILE
  int pollMs = 250;                                  // --poll MS
  int settleMs = 500;                                // --settle MS
  bool switchWithoutPtt = false;                     // --no-ptt-check
  bool checkOnly = false;                            // --check
  bool help = false;                                 // --help
};

// Follow's own options; nullopt with the one-line message for the operator in `error`.
std::optional<FollowSettings> parseFollowArgs(const QStringList& args, QString* error);

// Reads and checks the map file; throws OperatorError with "map FILE line N: reason" or the like.
// The lookup may throw OperatorError too (a Tuner.dat that cannot be read).
BandMap loadBandMap(const QString& path, const TunerLookup& lookup);

// Needs a QCoreApplication. Prints one line per event on stdout and errors on stderr. Returns 1 for
// bad options or a bad map (nothing sent), 0 after SIGINT or SIGTERM, or after --help or --check
// (which connect to nothing).
int runFollow(const FollowTarget& controller, const QStringList& followArgs, TunerLookup lookup);
