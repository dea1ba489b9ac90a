#include "access/station_lock.h"

StationLock::StationLock(int leaseMs, QObject* parent) : QObject(parent), leaseMs_(leaseMs) {
  lease_.setSingleShot(true);
  connect(&lease_, &QTimer::timeout, this, [this] { free(Freed::LeaseEnded); });
}

bool StationLock::take(quint64 clientId, const QString& name) {
  if (heldByOther(clientId)) return false;
  lease_.start(leaseMs_);
  if (holder_) return true;
  holder_ = LockHolder{clientId, name};
  emit taken(clientId, name);
  return true;
}

void StationLock::release(quint64 clientId) {
  if (holder_ && holder_->clientId == clientId) free(Freed::Released);
}

void StationLock::renew(quint64 clientId) {
  if (holder_ && holder_->clientId == clientId) lease_.start(leaseMs_);
}

void StationLock::clientLeft(quint64 clientId) {
  if (holder_ && holder_->clientId == clientId) free(Freed::HolderLeft);
}

bool StationLock::kick() {
  if (!holder_) return false;
  free(Freed::Kicked);
  return true;
}

void StationLock::free(Freed why) {
  lease_.stop();
  const LockHolder was = *holder_;
  holder_.reset();
  emit freed(was.clientId, was.name, why);
}
