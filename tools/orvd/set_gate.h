#pragma once
// What decides, for every client of the hub alike, whether a set may reach the controller: the
// client's role, the station's lock and the transmit interlock.
#include <QHostAddress>
#include <QString>

#include <optional>

struct SetRefusal {
  enum class Reason { Forbidden, Locked, Transmitting };
  Reason reason;
  QString message;  // for the client and the event log: "held by ...", "the radio is transmitting"
};

class SetGate {
 public:
  virtual ~SetGate() = default;
  // A client connected (`linePort`: on the controller's own line protocol) or went away.
  virtual void clientJoined(quint64 clientId, const QString& name, const QHostAddress& peer, bool linePort) = 0;
  virtual void clientLeft(quint64 clientId) = 0;
  // Nothing when the client may set `address` now.
  virtual std::optional<SetRefusal> checkSet(quint64 clientId, int address) const = 0;
};
