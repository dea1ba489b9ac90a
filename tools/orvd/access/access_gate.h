#pragma once
// The hub's access rules for every client alike: who may connect, what role a client has, whether
// its set may reach the controller (its role, then the lock, then the transmit interlock), and the
// lock's take, release and kick.
#include <QObject>

#include <memory>
#include <unordered_map>

#include "set_gate.h"
#include "access/access_config.h"
#include "access/auth_attempts.h"
#include "access/station_lock.h"
#include "access/transmit_interlock.h"

class AccessGate : public QObject, public SetGate {
  Q_OBJECT
 public:
  AccessGate(AccessConfig config, TransmitInterlock& interlock, AuthAttempts::Options auth = {},
             QObject* parent = nullptr);
  ~AccessGate() override;

  // Why a new connection from `peer` is turned away (outside the line port's networks, too many
  // from one address), or "" when it may join.
  QString refuseConnection(const QHostAddress& peer, bool linePort) const;

  // A line-port client gets the line role; any other the role for clients without a token, and
  // when that is none, has until the deadline to authenticate (closeRequested otherwise).
  void clientJoined(quint64 clientId, const QString& name, const QHostAddress& peer, bool linePort) override;
  void clientLeft(quint64 clientId) override;
  std::optional<SetRefusal> checkSet(quint64 clientId, int address) const override;

  Role role(quint64 clientId) const;
  // The token's name once authenticated, else the name the client joined with.
  QString clientName(quint64 clientId) const;

  struct AuthOutcome {
    bool ok = false;
    Role role = Role::None;
    int delayMs = 0;     // a failure: answer it this much later
    bool close = false;  // a failure: too many; close the connection
  };
  // A token presented by a client that is not on the line port.
  AuthOutcome authenticate(quint64 clientId, QByteArrayView token);

  // Nothing when the client holds the lock now.
  std::optional<SetRefusal> takeLock(quint64 clientId);
  void releaseLock(quint64 clientId);
  // An admin frees the lock; nothing when it did (or nobody held it).
  std::optional<SetRefusal> kickLock(quint64 adminId);
  // Anything the client sent, pings too: renews its lease on the lock.
  void activity(quint64 clientId);

  const StationLock& lock() const { return lock_; }
  const TransmitInterlock& interlock() const { return interlock_; }

 signals:
  // The client did not authenticate in time.
  void closeRequested(quint64 clientId, const QString& reason);

 private:
  struct Client {
    QString name;
    QHostAddress peer;
    bool linePort = false;
    Role role = Role::None;
    std::unique_ptr<AuthAttempts> attempts;  // not on the line port
  };
  const Client* client(quint64 clientId) const;
  // Forbidden below `operate`.
  std::optional<SetRefusal> checkOperate(quint64 clientId) const;

  AccessConfig config_;
  TransmitInterlock& interlock_;
  AuthAttempts::Options authOptions_;
  StationLock lock_;
  std::unordered_map<quint64, Client> clients_;
};
