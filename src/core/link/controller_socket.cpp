#include "core/link/controller_socket.h"

#include <QSocketNotifier>

#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

ControllerSocket::ControllerSocket(QObject* parent) : QObject(parent) {}

ControllerSocket::~ControllerSocket() { abort(); }

void ControllerSocket::connectTo(quint32 ipv4, quint16 port) {
  abort();
  const quint64 attempt = generation_;
  // Told from the event loop, as every other outcome is, unless dropped meanwhile.
  auto failLater = [this, attempt](int error) {
    QMetaObject::invokeMethod(
        this,
        [this, attempt, error] {
          if (attempt == generation_) failAttempt(error);
        },
        Qt::QueuedConnection);
  };
  fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd_ < 0) {
    failLater(errno);
    return;
  }
  state_ = State::Connecting;
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(port);
  to.sin_addr.s_addr = htonl(ipv4);
  if (::connect(fd_, reinterpret_cast<const sockaddr*>(&to), sizeof to) != 0 && errno != EINPROGRESS) {
    failLater(errno);
    return;
  }
  // Writable once the attempt has ended, either way; SO_ERROR says how.
  writeNotifier_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Write);
  connect(writeNotifier_.get(), &QSocketNotifier::activated, this, &ControllerSocket::attemptDone);
}

void ControllerSocket::abort() {
  readNotifier_.reset();
  writeNotifier_.reset();
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  state_ = State::Closed;
  ++generation_;
  unsent_.clear();
  writeError_ = 0;
}

void ControllerSocket::attemptDone() {
  writeNotifier_.reset();
  int error = 0;
  socklen_t len = sizeof error;
  if (::getsockopt(fd_, SOL_SOCKET, SO_ERROR, &error, &len) != 0) error = errno;
  if (error != 0) {
    failAttempt(error);
    return;
  }
  state_ = State::Connected;
  readNotifier_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Read);
  connect(readNotifier_.get(), &QSocketNotifier::activated, this, &ControllerSocket::readyRead);
  emit connected();
}

void ControllerSocket::failAttempt(int errorNumber) {
  abort();
  emit attemptFailed(errorNumber);
}

qint64 ControllerSocket::bytesAvailable() const {
  int n = 0;
  return isConnected() && ::ioctl(fd_, FIONREAD, &n) == 0 ? n : 0;
}

QByteArray ControllerSocket::readAvailable() {
  QByteArray bytes;
  if (!isConnected()) return bytes;
  // What has arrived by now, and no more: a controller that keeps sending does not keep this read going.
  qint64 wanted = qMax<qint64>(bytesAvailable(), 1);
  bytes.resize(wanted);
  qint64 got = 0;
  while (got < wanted) {
    const ssize_t n = ::recv(fd_, bytes.data() + got, static_cast<size_t>(wanted - got), MSG_DONTWAIT);
    if (n > 0) {
      got += n;
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
    // A send may have taken the reset's error number already; EPIPE only says that the controller
    // had closed its end in order before.
    endLater(n < 0 ? errno : writeError_ == EPIPE ? 0 : writeError_);
    break;
  }
  bytes.resize(got);
  return bytes;
}

void ControllerSocket::write(const QByteArray& bytes) {
  if (!isConnected() || writeError_ != 0 || bytes.isEmpty()) return;
  unsent_ += bytes;
  if (!writeNotifier_) flushWrites();
}

void ControllerSocket::flushWrites() {
  while (!unsent_.isEmpty()) {
    const ssize_t n =
        ::send(fd_, unsent_.constData(), static_cast<size_t>(unsent_.size()), MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n > 0) {
      unsent_.remove(0, n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      if (!writeNotifier_) {
        writeNotifier_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Write);
        connect(writeNotifier_.get(), &QSocketNotifier::activated, this, &ControllerSocket::flushWrites);
      }
      return;
    }
    // The connection is over; the read side, which the end makes readable, tells how it ended
    // once what arrived before the end has been read.
    writeError_ = errno;
    unsent_.clear();
    break;
  }
  writeNotifier_.reset();
}

void ControllerSocket::endLater(int errorNumber) {
  readNotifier_.reset();
  writeNotifier_.reset();
  ::close(fd_);
  fd_ = -1;
  state_ = State::Closed;
  unsent_.clear();
  writeError_ = 0;
  const quint64 generation = ++generation_;
  QMetaObject::invokeMethod(
      this,
      [this, generation, errorNumber] {
        // An abort or a new attempt since then drops this end.
        if (generation == generation_) emit ended(errorNumber);
      },
      Qt::QueuedConnection);
}
