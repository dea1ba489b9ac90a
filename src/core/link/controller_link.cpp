#include "core/link/controller_link.h"

#include <QHostAddress>

#include <cerrno>
#include <cstring>

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

#include "core/link/command_log.h"
#include "core/link/controller_socket.h"
#include "core/link/line_reader.h"
#include "core/model/codepage.h"

QString socketErrorMessage(int errorNumber, const QString& reason) {
  QString text = QStringLiteral("Asynchronous socket error ") + QString::number(errorNumber);
  if (!reason.isEmpty()) text += QStringLiteral(" (") + reason + u')';
  return text;
}

ControllerLink::ControllerLink(QObject* parent) : QObject(parent), ClientSocket1(new ControllerSocket(this)) {
  ClientSocket1->setObjectName(QStringLiteral("ClientSocket1"));
  connect(ClientSocket1, &ControllerSocket::readyRead, this, &ControllerLink::ClientSocket1Read);
  connect(ClientSocket1, &ControllerSocket::ended, this, &ControllerLink::connectionEnded);
  connect(ClientSocket1, &ControllerSocket::connected, this, [this] {
    acknowledgeAtOnce();
    keepAlive();
    emit opened();
  });
  connect(ClientSocket1, &ControllerSocket::attemptFailed, this, [this](int errorNumber) { failAttempt(errorNumber); });
  partialTimer_.setSingleShot(true);
  partialTimer_.setInterval(kPartialLineMs);
  connect(&partialTimer_, &QTimer::timeout, this, &ControllerLink::partialHoldEnded);
}

ControllerLink::~ControllerLink() = default;

void ControllerLink::open(const QString& address, int port) {
  if (isOpenOrOpening()) {
    ClientSocket1->abort();
    emit dropped();
  }
  address_ = address;
  port_ = port;
  pending_.clear();
  partialTimer_.stop();
  pieceAge_.invalidate();
  QHostAddress host;
  if (!host.setAddress(address) || host.protocol() != QAbstractSocket::IPv4Protocol) {
    // Reported like any failed attempt, after the click that started it has finished.
    QMetaObject::invokeMethod(
        this, [this] { failAttempt(EINVAL, QStringLiteral("Not a numeric IPv4 address")); }, Qt::QueuedConnection);
    return;
  }
  if (port < 0 || port > 65535) {
    QMetaObject::invokeMethod(
        this, [this] { failAttempt(EINVAL, QStringLiteral("Port out of range")); }, Qt::QueuedConnection);
    return;
  }
  ClientSocket1->connectTo(host.toIPv4Address(), static_cast<quint16>(port));
}

void ControllerLink::close() {
  const bool wasConnected = isConnected();
  if (wasConnected) takeHeldBytes();
  ClientSocket1->abort();
  if (wasConnected) ClientSocket1Disconnect();  // the close handling runs at once
  emit dropped();
}

bool ControllerLink::isConnected() const { return ClientSocket1->isConnected(); }

bool ControllerLink::isOpenOrOpening() const { return isConnected() || ClientSocket1->isConnecting(); }

void ControllerLink::SendCommand(const QString& Streng) {
  sendDirect(Streng);
  appendLog(Streng);
}

void ControllerLink::sendDirect(const QString& text) {
  lastSend_ = QDeadlineTimer::current(Qt::PreciseTimer);
  if (!isConnected()) return;
  // Out at once: the poll and the replay pause the thread right after sending.
  ClientSocket1->write(codepage::encode(text));
}

void ControllerLink::appendLog(const QString& entry) {
  if (log_) log_->append(entry);
}

void ControllerLink::clearLog() {
  if (log_) log_->clear();
}

const QStringList& ControllerLink::logEntries() const {
  static const QStringList none;
  return log_ ? log_->entries() : none;
}

// The kernel delays acknowledgements by 40 ms or more, which holds back the rest of a reply that
// the controller wrote in two pieces; quick-ack mode is dropped by the kernel now and then, so it
// is set again after every read.
void ControllerLink::acknowledgeAtOnce() {
#ifdef TCP_QUICKACK
  const int on = 1;
  if (const int fd = ClientSocket1->descriptor(); fd >= 0) ::setsockopt(fd, IPPROTO_TCP, TCP_QUICKACK, &on, sizeof on);
#endif
}

// A controller that vanished without a word (power, cable) is noticed on an idle connection too.
void ControllerLink::keepAlive() {
  const int on = 1;
  if (const int fd = ClientSocket1->descriptor(); fd >= 0) ::setsockopt(fd, SOL_SOCKET, SO_KEEPALIVE, &on, sizeof on);
}

// Every byte that has arrived is taken at once, so a burst that is there is read whole.
void ControllerLink::ClientSocket1Read() {
  pending_ += ClientSocket1->readAvailable();
  acknowledgeAtOnce();
  handOnLines();
}

// Complete lines go on as one chunk; a trailing piece without its line end waits for it, counted
// from the piece's first byte, however slowly the rest trickles in.
void ControllerLink::handOnLines() {
  if (QByteArray complete = takeCompleteLines(pending_, "\r\n"); !complete.isEmpty()) {
    // What is left, if anything, is a new piece.
    partialTimer_.stop();
    pieceAge_.invalidate();
    if (!pending_.isEmpty()) pieceAge_.start();
    handleChunk(complete);
  } else if (!pending_.isEmpty() && !pieceAge_.isValid()) {
    pieceAge_.start();
  }
  if (pending_.isEmpty()) {
    partialTimer_.stop();
    pieceAge_.invalidate();
  } else if (pending_.size() > kMaxPendingBytes) {
    flushPartial();
  } else if (!partialTimer_.isActive()) {
    partialTimer_.start(static_cast<int>(qMax<qint64>(0, kPartialLineMs - pieceAge_.elapsed())));
  }
}

// The hold is over. Bytes that reached this end meanwhile but are not read yet (a flood keeps
// this end busy) may still hold the line end: they are read first, then the hold is looked at again.
void ControllerLink::partialHoldEnded() {
  if (pending_.isEmpty()) return;
  if (ClientSocket1->bytesAvailable() > 0) {
    partialTimer_.start(1);
    return;
  }
  flushPartial();
}

// The connection is closing, or a command is about to go out: everything that already arrived is
// handed on first.
void ControllerLink::takeHeldBytes() {
  pending_ += ClientSocket1->readAvailable();
  handOnLines();
  flushPartial();
}

void ControllerLink::flushPartial() {
  partialTimer_.stop();
  pieceAge_.invalidate();
  if (pending_.isEmpty()) return;
  const QByteArray chunk = std::exchange(pending_, {});
  handleChunk(chunk);
}

void ControllerLink::handleChunk(const QByteArray& bytes) {
  const QString chunk = codepage::decode(bytes);
  appendLog(QStringLiteral("Rx from server: ") + chunk);
  const bool holdsStatus = holdsStatusReplies(chunk);
  const StatusReplies read = holdsStatus ? parseStatusReplies(chunk) : StatusReplies{};
  emit chunkRead(chunk, read);
  // A chunk that cannot be read ends here, before chunkReceived: a wait in progress goes on, and
  // so does whatever handed the chunk on (a close, a wait).
  runHandler(
      [&] {
        if (holdsStatus) {
          applyStatusReplies(read);
          emit statusRead(read, ReplyAddresses(read, chunk));
        }
        emit chunkReceived(chunk);
      },
      [this](const QString& message) { emit chunkFailed(message); });
}

void ControllerLink::ClientSocket1Disconnect() {
  // What arrived just before the controller closed still counts; after a close of our own the
  // socket holds nothing more.
  takeHeldBytes();
  appendLog(QStringLiteral("Client is disconnecting the server"));
  emit dropped();
  emit closed();
}

// The controller closed its end, or the connection failed (a reset is a failure, not a close).
void ControllerLink::connectionEnded(int errorNumber) {
  ClientSocket1Disconnect();
  if (errorNumber != 0)
    emit socketError(socketErrorMessage(errorNumber, QString::fromLocal8Bit(std::strerror(errorNumber))));
}

void ControllerLink::failAttempt(int errorNumber, const QString& reason) {
  emit dropped();
  const QString why = reason.isEmpty() ? QString::fromLocal8Bit(std::strerror(errorNumber)) : reason;
  emit attemptFailed(errorNumber, why);
  emit socketError(socketErrorMessage(errorNumber, why));
}
