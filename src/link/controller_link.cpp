#include "link/controller_link.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QHostAddress>
#include <QThread>

#include <cerrno>
#include <cstring>

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/prctl.h>
#include <sys/ioctl.h>
#include <sys/socket.h>

#include "link/protocol.h"
#include "link/socket_connector.h"
#include "model/codepage.h"
#include "model/file_write.h"
#include "model/system_table.h"

namespace {

// The open connection's own error where the socket still has it; otherwise the error number that
// stands for the failure.
int errorNumberOf(QTcpSocket& socket, QAbstractSocket::SocketError error) {
  const qintptr fd = socket.socketDescriptor();
  if (fd >= 0) {
    int pendingError = 0;
    socklen_t len = sizeof pendingError;
    if (::getsockopt(static_cast<int>(fd), SOL_SOCKET, SO_ERROR, &pendingError, &len) == 0 && pendingError != 0)
      return pendingError;
  }
  switch (error) {
    case QAbstractSocket::ConnectionRefusedError: return ECONNREFUSED;
    case QAbstractSocket::RemoteHostClosedError: return ECONNRESET;
    case QAbstractSocket::SocketTimeoutError: return ETIMEDOUT;
    case QAbstractSocket::NetworkError: return ENETDOWN;
    case QAbstractSocket::SocketResourceError: return ENOBUFS;
    default: return EIO;
  }
}

}  // namespace

QString socketErrorMessage(int errorNumber, const QString& reason) {
  QString text = QStringLiteral("Asynchronous socket error ") + QString::number(errorNumber);
  if (!reason.isEmpty()) text += QStringLiteral(" (") + reason + u')';
  return text;
}

ControllerLink::ControllerLink(QObject* parent)
    : QObject(parent), ClientSocket1(new QTcpSocket(this)), connector_(new SocketConnector(this)) {
  ClientSocket1->setObjectName(QStringLiteral("ClientSocket1"));
  connect(ClientSocket1, &QTcpSocket::readyRead, this, &ControllerLink::ClientSocket1Read);
  connect(ClientSocket1, &QTcpSocket::disconnected, this, &ControllerLink::ClientSocket1Disconnect);
  connect(ClientSocket1, &QTcpSocket::errorOccurred, this, &ControllerLink::ClientSocket1Error);
  connect(connector_, &SocketConnector::connected, this, [this](int fd) {
    ClientSocket1->setSocketDescriptor(fd);
    acknowledgeAtOnce();
    emit opened();
  });
  connect(connector_, &SocketConnector::failed, this, [this](int errorNumber) { failAttempt(errorNumber); });
  partialTimer_.setSingleShot(true);
  partialTimer_.setInterval(kPartialLineMs);
  connect(&partialTimer_, &QTimer::timeout, this, &ControllerLink::partialHoldEnded);
}

ControllerLink::~ControllerLink() = default;

void ControllerLink::open(const QString& address, int port) {
  if (isOpenOrOpening()) {
    connector_->abort();
    ClientSocket1->abort();
    endWaits();
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
  connector_->start(host.toIPv4Address(), static_cast<quint16>(port));
}

void ControllerLink::close() {
  connector_->abort();
  if (ClientSocket1->state() == QAbstractSocket::ConnectedState) {
    takeHeldBytes();
    ClientSocket1->abort();  // the close handling runs at once
  } else {
    ClientSocket1->abort();
  }
  endWaits();
}

bool ControllerLink::isConnected() const { return ClientSocket1->state() == QAbstractSocket::ConnectedState; }

bool ControllerLink::isOpenOrOpening() const { return isConnected() || connector_->isConnecting(); }

void ControllerLink::SendCommand(const QString& Streng) {
  sendDirect(Streng);
  appendLog(Streng);
}

void ControllerLink::sendDirect(const QString& text) {
  lastSend_ = QDeadlineTimer::current(Qt::PreciseTimer);
  if (!isConnected()) return;
  ClientSocket1->write(codepage::encode(text));
  // Out now: the poll and the replay pause the thread right after sending, and the socket would
  // otherwise write only once the event loop runs again.
  ClientSocket1->flush();
}

void ControllerLink::waitForReply() {
  if (sessionEnded_ || !isOpenOrOpening()) {
    StrengMottatt = true;
    return;
  }
  const quint64 generation = waitGeneration_;
  ++waitDepth_;
  while (!StrengMottatt && generation == waitGeneration_ && !sessionEnded_)
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
  --waitDepth_;
}

void ControllerLink::pause(int ms) {
  if (sessionEnded_) return;
  // Counted from the moment the command was sent, so its log entry is written within the pause.
  const qint64 from = qMin(lastSend_.deadlineNSecs(), QDeadlineTimer::current(Qt::PreciseTimer).deadlineNSecs());
  QDeadlineTimer end;
  end.setPreciseDeadline(0, from + ms * 1000000LL, Qt::PreciseTimer);
  // The repaints asked for so far are done within the pause: after it they would hold up the
  // reply that arrived meanwhile. Nothing else runs; the rest of the pause is slept.
  QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest);
  sleepUntil(end);
}

// A sleep wakes up late by about 0.1 ms (more in a virtual machine), and a scan sleeps once per panel:
// the last stretch is waited out awake, so the pause ends on time.
void ControllerLink::sleepUntil(const QDeadlineTimer& end) {
  constexpr qint64 kAwakeNs = 200'000;
#ifdef PR_SET_TIMERSLACK
  // By default the kernel may also end a sleep 50 us late on purpose.
  static thread_local const bool slackSet = ::prctl(PR_SET_TIMERSLACK, 1UL) == 0;  // per thread
  Q_UNUSED(slackSet);
#endif
  const qint64 sleepNs = end.remainingTimeNSecs() - kAwakeNs;
  if (sleepNs > 0) QThread::usleep(static_cast<unsigned long>(sleepNs / 1000));
  while (!end.hasExpired()) {
  }
}

void ControllerLink::endSession() {
  sessionEnded_ = true;
  endWaits();
}

void ControllerLink::endWaits() {
  ++waitGeneration_;
  // Wake a wait that sleeps in the event loop so it sees the change.
  if (waitDepth_ > 0)
    QMetaObject::invokeMethod(
        this, [] {}, Qt::QueuedConnection);
}

void ControllerLink::appendLog(const QString& entry) {
  log_.append(entry);
  emit logAppended(entry);
}

void ControllerLink::clearLog() {
  log_.clear();
  emit logCleared();
}

QString ControllerLink::saveLog(const QString& path) const {
  QByteArray bytes;
  for (const QString& entry : log_) bytes += codepage::encode(entry) + "\r\n";
  if (const QString reason = filewrite::writeWhole(path, bytes); !reason.isEmpty())
    return QStringLiteral("Cannot create file \"%1\". %2").arg(QDir::toNativeSeparators(path), reason);
  return {};
}

// The kernel delays acknowledgements by 40 ms or more, which holds back the rest of a reply that
// the controller wrote in two pieces; quick-ack mode is dropped by the kernel now and then, so it
// is set again after every read.
void ControllerLink::acknowledgeAtOnce() {
#ifdef TCP_QUICKACK
  const int on = 1;
  const qintptr fd = ClientSocket1->socketDescriptor();
  if (fd >= 0) ::setsockopt(static_cast<int>(fd), IPPROTO_TCP, TCP_QUICKACK, &on, sizeof on);
#endif
}

void ControllerLink::ClientSocket1Read() {
  const qsizetype held = pending_.size();
  pending_.resize(held + qMin(ClientSocket1->bytesAvailable(), kMaxReadBytes));
  const qint64 read = ClientSocket1->read(pending_.data() + held, pending_.size() - held);
  pending_.resize(held + qMax<qint64>(read, 0));
  acknowledgeAtOnce();
  handOnLines();
  if (ClientSocket1->bytesAvailable() > 0 && !readQueued_) {
    // The socket says readyRead again only for new bytes: go on with these ones ourselves.
    readQueued_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
          readQueued_ = false;
          if (ClientSocket1->bytesAvailable() > 0) ClientSocket1Read();
        },
        Qt::QueuedConnection);
  }
}

// Complete lines go on as one chunk; a trailing piece without its line end waits for it, counted
// from the piece's first byte, however slowly the rest trickles in.
void ControllerLink::handOnLines() {
  const qsizetype lineEnd = pending_.lastIndexOf("\r\n");
  if (lineEnd >= 0) {
    QByteArray complete;
    if (lineEnd + 2 == pending_.size()) {
      complete = std::exchange(pending_, {});
    } else {
      complete = pending_.left(lineEnd + 2);
      pending_.remove(0, lineEnd + 2);
    }
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
  if (isConnected() && (ClientSocket1->bytesAvailable() > 0 || unreadBytes() > 0)) {
    partialTimer_.start(1);
    return;
  }
  flushPartial();
}

qint64 ControllerLink::unreadBytes() const {
  int n = 0;
  const qintptr fd = ClientSocket1->socketDescriptor();
  return fd >= 0 && ::ioctl(static_cast<int>(fd), FIONREAD, &n) == 0 ? n : 0;
}

// The connection is closing: everything that already arrived is handed on first.
void ControllerLink::takeHeldBytes() {
  if (ClientSocket1->isOpen()) pending_ += ClientSocket1->readAll();
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
  RxStr = chunk;
  if (chunk.contains(u"Ret X")) {
    try {
      GetStatus(chunk);
    } catch (const ConversionError& e) {
      // The chunk ends here, before the reply flag: a wait in progress goes on.
      emit chunkFailed(e.message());
      return;
    }
    if (onStatusReplies) onStatusReplies(ReplyAddresses(chunk));
  }
  StrengMottatt = true;
  emit chunkReceived(chunk);
}

void ControllerLink::ClientSocket1Disconnect() {
  // What arrived just before the controller closed still counts; after a close of our own the
  // socket holds nothing more.
  takeHeldBytes();
  appendLog(QStringLiteral("Client is disconnecting the server"));
  endWaits();
  emit closed();
}

void ControllerLink::ClientSocket1Error(QAbstractSocket::SocketError error) {
  // The controller closing its end is an ordinary close, reported by the close handling alone.
  if (error == QAbstractSocket::RemoteHostClosedError) return;
  endWaits();
  emit socketError(socketErrorMessage(errorNumberOf(*ClientSocket1, error), ClientSocket1->errorString()));
}

void ControllerLink::failAttempt(int errorNumber, const QString& reason) {
  endWaits();
  const QString why = reason.isEmpty() ? QString::fromLocal8Bit(std::strerror(errorNumber)) : reason;
  emit attemptFailed(errorNumber, why);
  emit socketError(socketErrorMessage(errorNumber, why));
}
