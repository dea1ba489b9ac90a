#pragma once
// The station's lock: one client at a time may hold it, and while it does only its sets go through.
// A lease: the holder's activity renews it; it is freed when the holder releases it, leaves, stays
// silent for the lease's length, or an admin frees it.
#include <QObject>
#include <QString>
#include <QTimer>

#include <optional>

struct LockHolder {
  quint64 clientId = 0;
  QString name;
};

class StationLock : public QObject {
  Q_OBJECT
 public:
  enum class Freed { Released, LeaseEnded, HolderLeft, Kicked };
  Q_ENUM(Freed)

  explicit StationLock(int leaseMs, QObject* parent = nullptr);

  // True when the client holds the lock now (taken, or held already: the lease starts again);
  // false while another holds it.
  bool take(quint64 clientId, const QString& name);
  // The holder's own release; another client's does nothing.
  void release(quint64 clientId);
  // The holder did something: the lease starts again.
  void renew(quint64 clientId);
  void clientLeft(quint64 clientId);
  // Frees the lock whoever holds it; false when nobody did.
  bool kick();

  const std::optional<LockHolder>& holder() const { return holder_; }
  bool heldByOther(quint64 clientId) const { return holder_ && holder_->clientId != clientId; }

 signals:
  void taken(quint64 clientId, const QString& name);
  void freed(quint64 clientId, const QString& name, StationLock::Freed why);

 private:
  void free(Freed why);

  int leaseMs_;
  std::optional<LockHolder> holder_;
  QTimer lease_;
};
