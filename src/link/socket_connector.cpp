#include "link/socket_connector.h"

#include <QSocketNotifier>

#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

SocketConnector::SocketConnector(QObject* parent) : QObject(parent) {}

SocketConnector::~SocketConnector() { abort(); }

void SocketConnector::start(quint32 ipv4, quint16 port) {
  abort();
  fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd_ < 0) {
    const int error = errno;
    QMetaObject::invokeMethod(
        this, [this, error] { emit failed(error); }, Qt::QueuedConnection);
    return;
  }
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(port);
  to.sin_addr.s_addr = htonl(ipv4);
  const int rc = ::connect(fd_, reinterpret_cast<const sockaddr*>(&to), sizeof to);
  const int error = rc == 0 ? 0 : errno;
  if (rc != 0 && error != EINPROGRESS) {
    // Reported from the event loop, as every other outcome is.
    QMetaObject::invokeMethod(
        this, [this, error] { fail(error); }, Qt::QueuedConnection);
    return;
  }
  // Writable once the attempt has ended, either way; SO_ERROR says how.
  notifier_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Write);
  connect(notifier_.get(), &QSocketNotifier::activated, this, &SocketConnector::finish);
}

void SocketConnector::abort() {
  notifier_.reset();
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

void SocketConnector::finish() {
  notifier_.reset();
  int error = 0;
  socklen_t len = sizeof error;
  if (::getsockopt(fd_, SOL_SOCKET, SO_ERROR, &error, &len) != 0) error = errno;
  if (error != 0) {
    fail(error);
    return;
  }
  const int fd = std::exchange(fd_, -1);
  emit connected(fd);
}

void SocketConnector::fail(int errorNumber) {
  if (fd_ < 0) return;  // dropped meanwhile
  abort();
  emit failed(errorNumber);
}
