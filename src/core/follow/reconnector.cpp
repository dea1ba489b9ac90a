#include "core/follow/reconnector.h"

#include <algorithm>

#include "core/link/controller_link.h"

Reconnector::Reconnector(std::function<void()> drop, std::function<bool()> isConnected,
                         std::function<void()> connectAgain, QObject* parent)
    : QObject(parent),
      drop_(std::move(drop)),
      isConnected_(std::move(isConnected)),
      connectAgain_(std::move(connectAgain)) {
  retry_.setSingleShot(true);
  connect(&retry_, &QTimer::timeout, this, [this] {
    drop_();
    connectAgain_();
  });
}

Reconnector::Reconnector(QAbstractSocket* socket, std::function<void()> connectAgain, QObject* parent)
    : Reconnector([socket] { socket->abort(); },
                  [socket] { return socket->state() == QAbstractSocket::ConnectedState; }, std::move(connectAgain),
                  parent) {
  // A failed attempt reports only an error; a drop reports a disconnection, often an error too.
  connect(socket, &QAbstractSocket::errorOccurred, this, &Reconnector::arm);
  connect(socket, &QAbstractSocket::disconnected, this, &Reconnector::arm);
}

Reconnector::Reconnector(ControllerLink* link, QString host, int port, QObject* parent)
    : Reconnector([link] { link->close(); }, [link] { return link->isConnected(); },
                  [link, host = std::move(host), port] { link->open(host, port); }, parent) {
  connect(link, &ControllerLink::opened, this, &Reconnector::linkProven);
  connect(link, &ControllerLink::attemptFailed, this, &Reconnector::arm);
  connect(link, &ControllerLink::closed, this, &Reconnector::arm);
}

void Reconnector::dropAndRetry() {
  drop_();
  arm();
}

void Reconnector::arm() {
  if (retry_.isActive() || isConnected_()) return;
  retry_.start(pauseMs_);
  pauseMs_ = std::min(pauseMs_ * 2, kLongestPauseMs);
}
