#pragma once
// "orvctl follow": reads its options and the band map, then follows until SIGINT or SIGTERM.
#include <QString>
#include <QStringList>

#include <optional>

#include "follow/band_map.h"

// The controller, as orvctl's own options give it.
struct FollowTarget {
  QString host = QStringLiteral("127.0.0.1");
  quint16 port = 2501;
  int timeoutMs = 1000;  // for each command's reply
};

struct FollowSettings {
  QString rigHost;  // --rig HOST:PORT
  quint16 rigPort = 0;
  std::optional<quint16> n1mmPort;  // --n1mm PORT
  std::optional<int> radio;         // --radio N
  QString mapFile;                  // --map FILE
  int pollMs = 250;                 // --poll MS
  bool switchWithoutPtt = false;    // --no-ptt-check
};

// Follow's own options; nullopt with the message for the operator in `error`.
std::optional<FollowSettings> parseFollowArgs(const QStringList& args, QString* error);

// Reads and checks the map file; throws OperatorError with "map FILE line N: reason" or the like.
BandMap loadBandMap(const QString& path, const TunerLookup& lookup);

// Needs a QCoreApplication. Prints one line per event on stdout and errors on stderr. Returns 1 for
// bad options or a bad map (nothing sent), 0 after SIGINT or SIGTERM.
int runFollow(const FollowTarget& controller, const QStringList& followArgs, TunerLookup lookup);
