#include "core/follow/reconnector.h"

#include <algorithm>

Reconnector::Reconnector(QAbstractSocket* socket, std::function<void()> connectAgain, QObject* parent)
    : QObject(parent), socket_(socket), connectAgain_(std::move(connectAgain)) {
  retry_.setSingleShot(true);
  connect(&retry_, &QTimer::timeout, this, [this] {
    socket_->abort();
    connectAgain_();
  });
  // A failed attempt reports only an error; a drop reports a disconnection, often an error too.
  connect(socket_, &QAbstractSocket::errorOccurred, this, &Reconnector::arm);
  connect(socket_, &QAbstractSocket::disconnected, this, &Reconnector::arm);
}

void Reconnector::dropAndRetry() {
  socket_->abort();
  arm();
}

void Reconnector::arm() {
  if (retry_.isActive() || socket_->state() == QAbstractSocket::ConnectedState) return;
  retry_.start(pauseMs_);
  pauseMs_ = std::min(pauseMs_ * 2, kLongestPauseMs);
}
