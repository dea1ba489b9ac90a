#include "line_client.h"

#include <QTcpSocket>

#include "client_request.h"
#include "core/follow/printable.h"
#include "core/link/request_queue.h"
#include "core/model/codepage.h"
#include "core/model/formatting.h"
#include "core/model/system_table.h"
#include "set_gate.h"

namespace {

// Taken from the socket at a time; the rest waits in the system's buffers, unread.
constexpr qint64 kReadPiece = 1024;

QString unanswered(RequestFailure::Kind kind) {
  switch (kind) {
    case RequestFailure::Kind::NoConnection: return QStringLiteral("the controller is down");
    case RequestFailure::Kind::ConnectionLost: return QStringLiteral("the controller link was lost");
    case RequestFailure::Kind::LineTooLong: return QStringLiteral("the controller sent an over-long line");
    default: return QStringLiteral("no reply from the controller");
  }
}

}  // namespace

LineClient::LineClient(quint64 id, QTcpSocket* socket, RequestQueue& queue, const SetGate& gate, QObject* parent)
    : QObject(parent),
      id_(id),
      socket_(socket),
      queue_(queue),
      gate_(gate),
      peer_(socket->peerAddress()),
      name_(QStringLiteral("client %1 (%2:%3)").arg(id).arg(peer_.toString()).arg(socket->peerPort())) {
  socket_->setParent(this);
  socket_->setReadBufferSize(kReadPiece);
  socket_->setSocketOption(QAbstractSocket::SendBufferSizeSocketOption, int(kSendBufferBytes));
  connect(socket_, &QTcpSocket::readyRead, this, &LineClient::serve);
  connect(socket_, &QTcpSocket::disconnected, this, [this] { end(QStringLiteral("it closed the connection")); });
}

void LineClient::serve() {
  while (!ended_) {
    if (unread_.empty()) {
      if (socket_->bytesAvailable() == 0) return;
      for (LineReader<QByteArray>::Line& line : reader_.read(socket_->read(kReadPiece)))
        unread_.push_back(std::move(line));
      continue;
    }
    if (waiting_ >= kMostWaiting || !take(unread_.front())) return;
    unread_.pop_front();
  }
}

bool LineClient::take(const LineReader<QByteArray>::Line& line) {
  const QString text = codepage::decode(line.text);
  if (line.cut) {
    emit event(QStringLiteral("%1 sent a line longer than %2 characters, passed over: %3")
                   .arg(name_)
                   .arg(kLongestLine)
                   .arg(printableStart(text)));
    return true;
  }
  const std::optional<Request> request = readClientRequest(text);
  if (!request) {
    if (!text.isEmpty())
      emit event(QStringLiteral("%1 sent no command, passed over: %2").arg(name_, printableStart(text)));
    return true;
  }
  if (request->kind == Request::Kind::Set) {
    const QString what =
        QStringLiteral("%1 set %2 to %3").arg(name_, addressText(request->address)).arg(request->value);
    if (const std::optional<SetRefusal> refusal = gate_.checkSet(id_, request->address)) {
      // Its answer goes after those of the requests before it.
      if (waiting_ > 0) return false;
      emit event(QStringLiteral("%1: refused, %2").arg(what, refusal->message));
      // The panel's value as the hub knows it, so the client shows the truth.
      answer(statusReplyLine(request->address, SystemArray[request->address].Status));
      return true;
    }
    emit event(what);
  }
  ++waiting_;
  queue_.submit(*request, this, [this](const RequestResult& result) {
    --waiting_;
    if (!result.failure)
      answer(result.line);
    else if (result.failure->kind == RequestFailure::Kind::BadReply)
      answer(result.failure->line);  // the controller's own reply, however it reads
    else if (result.failure->kind == RequestFailure::Kind::QueueFull)
      emit event(QStringLiteral("%1: the queue is full, a request passed over").arg(name_));
    else  // no reply to the client, as from a silent controller
      emit event(QStringLiteral("%1: not answered, %2").arg(name_, unanswered(result.failure->kind)));
    serve();
  });
  return true;
}

void LineClient::answer(const QString& line) {
  if (ended_) return;
  socket_->write(codepage::encode(QString(line + CrLf)));
  if (socket_->bytesToWrite() <= kSendBufferBytes) return;
  end(QStringLiteral("dropped, it does not read its replies"));
  socket_->abort();
}

void LineClient::end(const QString& why) {
  if (ended_) return;
  ended_ = true;
  emit event(QStringLiteral("%1 left: %2").arg(name_, why));
  emit gone();
}
