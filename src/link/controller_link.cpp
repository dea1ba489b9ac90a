#include "link/controller_link.h"

#include <QCoreApplication>
#include <QSaveFile>

#include <algorithm>
#include <bitset>
#include <cerrno>

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

#include "common/operator_dialogs.h"
#include "link/command_log.h"
#include "link/protocol.h"
#include "model/codepage.h"
#include "model/system_table.h"

namespace {

// The errno that the platform reports for each failure of a connection.
int platformErrorNumber(QAbstractSocket::SocketError error) {
  switch (error) {
    case QAbstractSocket::ConnectionRefusedError: return ECONNREFUSED;
    case QAbstractSocket::RemoteHostClosedError: return ECONNRESET;
    case QAbstractSocket::HostNotFoundError: return EADDRNOTAVAIL;
    case QAbstractSocket::SocketAccessError: return EACCES;
    case QAbstractSocket::SocketResourceError: return ENOBUFS;
    case QAbstractSocket::SocketTimeoutError: return ETIMEDOUT;
    case QAbstractSocket::NetworkError: return ENETUNREACH;
    case QAbstractSocket::AddressInUseError: return EADDRINUSE;
    case QAbstractSocket::SocketAddressNotAvailableError: return EADDRNOTAVAIL;
    case QAbstractSocket::UnsupportedSocketOperationError: return EOPNOTSUPP;
    default: return EIO;
  }
}

// A flood holds many replies per panel, and the table already has each panel's last value: a
// refresh at the last reply alone leaves the same screen. An Orv0 slot keeps every reply, since
// each one is reported to the operator.
QList<int> lastReplyOfEachPanel(const QList<int>& addresses) {
  if (addresses.size() < 2) return addresses;
  std::bitset<SystemSlots> seen;
  QList<int> kept;
  for (auto it = addresses.crbegin(); it != addresses.crend(); ++it) {
    const int a = *it;
    if (modelOf(SystemArray[a]) == Model::Orv0 || !seen.test(a)) kept.append(a);
    seen.set(a);
  }
  std::reverse(kept.begin(), kept.end());
  return kept;
}

}  // namespace

QString socketErrorMessage(QAbstractSocket::SocketError error, const QString& reason) {
  QString text = QStringLiteral("Asynchronous socket error ") + QString::number(platformErrorNumber(error));
  if (!reason.isEmpty()) text += QStringLiteral(" (") + reason + u')';
  return text;
}

ControllerLink::ControllerLink(TCommandLog* log, QObject* parent)
    : QObject(parent), ClientSocket1(new QTcpSocket(this)), lbRespons(log) {
  ClientSocket1->setObjectName(QStringLiteral("ClientSocket1"));
  connect(ClientSocket1, &QTcpSocket::readyRead, this, [this] { guarded([this] { ClientSocket1Read(); }); });
  connect(ClientSocket1, &QTcpSocket::connected, this, [this] { acknowledgeAtOnce(); });
  connect(ClientSocket1, &QTcpSocket::disconnected, this, [this] { ClientSocket1Disconnect(); });
  connect(ClientSocket1, &QTcpSocket::errorOccurred, this, &ControllerLink::ClientSocket1Error);
  partialTimer_.setSingleShot(true);
  partialTimer_.setInterval(kPartialLineMs);
  connect(&partialTimer_, &QTimer::timeout, this, [this] { guarded([this] { flushPartial(); }); });
}

void ControllerLink::open(const QString& address, int port) {
  if (ClientSocket1->state() != QAbstractSocket::UnconnectedState) {
    ClientSocket1->abort();
    endWaits();
  }
  address_ = address;
  port_ = port;
  pending_.clear();
  partialTimer_.stop();
  QHostAddress host;
  const bool numericIPv4 = host.setAddress(address) && host.protocol() == QAbstractSocket::IPv4Protocol;
  if (!numericIPv4 || port < 0 || port > 65535) {
    // Reported like any failed attempt, after the click that started it has finished.
    const auto error = numericIPv4 ? QAbstractSocket::UnsupportedSocketOperationError
                                   : QAbstractSocket::SocketAddressNotAvailableError;
    const QString reason = numericIPv4 ? QStringLiteral("Port out of range") : QStringLiteral("Not a numeric IPv4 address");
    QMetaObject::invokeMethod(this, [this, error, reason] { emit socketError(socketErrorMessage(error, reason)); },
                              Qt::QueuedConnection);
    return;
  }
  ClientSocket1->connectToHost(host, static_cast<quint16>(port));
}

void ControllerLink::close() {
  if (ClientSocket1->state() == QAbstractSocket::ConnectedState) {
    drainSocket();
    ClientSocket1->abort();  // emits disconnected at once
  } else {
    ClientSocket1->abort();
  }
  endWaits();
}

bool ControllerLink::isConnected() const { return ClientSocket1->state() == QAbstractSocket::ConnectedState; }

bool ControllerLink::isOpenOrOpening() const {
  const auto s = ClientSocket1->state();
  return s == QAbstractSocket::ConnectedState || s == QAbstractSocket::ConnectingState ||
         s == QAbstractSocket::HostLookupState;
}

void ControllerLink::SendCommand(const QString& Streng) {
  sendDirect(Streng);
  appendLog(Streng);
}

void ControllerLink::sendDirect(const QString& text) {
  if (!isConnected()) return;
  ClientSocket1->write(codepage::encode(text));
  // Out now: the poll and the replay pause the thread right after sending, and the socket would
  // otherwise write only once the event loop runs again.
  ClientSocket1->flush();
}

void ControllerLink::waitForReply() {
  if (abandoned_ || !isOpenOrOpening()) {
    StrengMottatt = true;
    return;
  }
  const quint64 generation = waitGeneration_;
  ++waitDepth_;
  while (!StrengMottatt && generation == waitGeneration_ && !abandoned_)
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
  --waitDepth_;
}

void ControllerLink::abandonWaits() {
  abandoned_ = true;
  endWaits();
}

void ControllerLink::endWaits() {
  ++waitGeneration_;
  // Wake a wait that sleeps in the event loop so it sees the change.
  if (waitDepth_ > 0) QMetaObject::invokeMethod(this, [] {}, Qt::QueuedConnection);
}

void ControllerLink::appendLog(const QString& entry) {
  log_.append(entry);
  if (lbRespons) lbRespons->append(entry);
}

void ControllerLink::clearLog() {
  log_.clear();
  if (lbRespons) lbRespons->clear();
}

void ControllerLink::saveLog(const QString& path) const {
  QByteArray bytes;
  for (const QString& entry : log_) bytes += codepage::encode(entry) + "\r\n";
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
    throw OperatorError(QStringLiteral("Cannot create file \"%1\". %2").arg(path, file.errorString()));
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
  pending_ += ClientSocket1->read(qMin(ClientSocket1->bytesAvailable(), kMaxReadBytes));
  acknowledgeAtOnce();
  handOnLines();
  if (ClientSocket1->bytesAvailable() > 0 && !readQueued_) {
    // The socket says readyRead again only for new bytes: go on with these ones ourselves.
    readQueued_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
          readQueued_ = false;
          if (ClientSocket1->bytesAvailable() > 0) guarded([this] { ClientSocket1Read(); });
        },
        Qt::QueuedConnection);
  }
}

// Complete lines go on as one chunk; a trailing partial line waits a little for its end.
void ControllerLink::handOnLines() {
  const qsizetype lineEnd = pending_.lastIndexOf("\r\n");
  if (lineEnd >= 0) {
    const QByteArray complete = pending_.left(lineEnd + 2);
    pending_.remove(0, lineEnd + 2);
    handleChunk(complete);
  }
  if (pending_.size() > kMaxPendingBytes) {
    flushPartial();
  } else if (!pending_.isEmpty() && ClientSocket1->bytesAvailable() == 0) {
    partialTimer_.start();
  } else {  // complete, or its end may be in the bytes still to read
    partialTimer_.stop();
  }
}

// Everything that arrived, at once: the connection is closing.
void ControllerLink::drainSocket() {
  pending_ += ClientSocket1->readAll();
  handOnLines();
  flushPartial();
}

void ControllerLink::flushPartial() {
  partialTimer_.stop();
  if (pending_.isEmpty()) return;
  const QByteArray chunk = std::exchange(pending_, {});
  handleChunk(chunk);
}

void ControllerLink::handleChunk(const QByteArray& bytes) {
  const QString chunk = codepage::decode(bytes);
  appendLog(QStringLiteral("Rx from server: ") + chunk);
  RxStr = chunk;
  if (chunk.contains(u"Ret X")) {
    GetStatus(chunk);
    const QList<int> addresses = lastReplyOfEachPanel(ReplyAddresses(chunk));
    if (onStatusReplies) onStatusReplies(addresses);
  }
  StrengMottatt = true;
}

void ControllerLink::ClientSocket1Disconnect() {
  // What arrived just before the close still counts.
  guarded([this] { drainSocket(); });
  appendLog(QStringLiteral("Client is disconnecting the server"));
  endWaits();
  emit closed();
}

void ControllerLink::ClientSocket1Error(QAbstractSocket::SocketError error) {
  // The controller closing its end is an ordinary close, reported by the close handling alone.
  if (error == QAbstractSocket::RemoteHostClosedError) return;
  endWaits();
  emit socketError(socketErrorMessage(error, ClientSocket1->errorString()));
}
