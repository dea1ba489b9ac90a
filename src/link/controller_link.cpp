#include "link/controller_link.h"

#include <QCoreApplication>
#include <QListWidget>
#include <QSaveFile>

#include <cerrno>

#include "common/operator_dialogs.h"
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

// How a log entry is drawn: its line ends would only make the row tall.
QString shownEntry(const QString& entry) {
  QString shown = entry;
  while (shown.endsWith(u'\n') || shown.endsWith(u'\r')) shown.chop(1);
  shown.replace(QStringLiteral("\r\n"), QStringLiteral(" | "));
  shown.replace(u'\r', u' ').replace(u'\n', u' ');
  constexpr qsizetype kShown = 4000;  // a flooding controller's megabyte chunk stays in the log whole
  return shown.size() > kShown ? shown.left(kShown) + QStringLiteral("...") : shown;
}

}  // namespace

QString socketErrorMessage(QAbstractSocket::SocketError error, const QString& reason) {
  QString text = QStringLiteral("Asynchronous socket error ") + QString::number(platformErrorNumber(error));
  if (!reason.isEmpty()) text += QStringLiteral(" (") + reason + u')';
  return text;
}

ControllerLink::ControllerLink(QListWidget* log, QObject* parent)
    : QObject(parent), ClientSocket1(new QTcpSocket(this)), lbRespons(log) {
  ClientSocket1->setObjectName(QStringLiteral("ClientSocket1"));
  connect(ClientSocket1, &QTcpSocket::readyRead, this, [this] { guarded([this] { ClientSocket1Read(); }); });
  connect(ClientSocket1, &QTcpSocket::disconnected, this, [this] { ClientSocket1Disconnect(); });
  connect(ClientSocket1, &QTcpSocket::errorOccurred, this, &ControllerLink::ClientSocket1Error);
  partialTimer_.setSingleShot(true);
  partialTimer_.setInterval(kPartialLineMs);
  connect(&partialTimer_, &QTimer::timeout, this, [this] { guarded([this] { flushPartial(); }); });
  // Scrolling once per burst keeps a flood of replies cheap.
  scrollTimer_.setSingleShot(true);
  scrollTimer_.setInterval(0);
  connect(&scrollTimer_, &QTimer::timeout, this, [this] {
    if (lbRespons) lbRespons->scrollToBottom();
  });
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
    if (!pending_.isEmpty()) flushPartial();
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
  if (!lbRespons) return;
  auto* item = new QListWidgetItem(shownEntry(entry));
  lbRespons->addItem(item);
  if (!scrollTimer_.isActive()) scrollTimer_.start();
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

void ControllerLink::ClientSocket1Read() {
  pending_ += ClientSocket1->readAll();
  const qsizetype lineEnd = pending_.lastIndexOf("\r\n");
  if (lineEnd >= 0) {
    const QByteArray complete = pending_.left(lineEnd + 2);
    pending_.remove(0, lineEnd + 2);
    handleChunk(complete);
  }
  if (pending_.size() > kMaxPendingBytes) {
    flushPartial();
  } else if (!pending_.isEmpty()) {
    partialTimer_.start();
  } else {
    partialTimer_.stop();
  }
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
    const QList<int> addresses = ReplyAddresses(chunk);
    if (onStatusReplies) onStatusReplies(addresses);
  }
  StrengMottatt = true;
}

void ControllerLink::ClientSocket1Disconnect() {
  // What arrived just before the close still counts.
  if (!pending_.isEmpty()) guarded([this] { flushPartial(); });
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
