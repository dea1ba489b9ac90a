#include "core/follow/controller_channel.h"

#include "core/follow/printable.h"
#include "core/follow/reconnector.h"
#include "core/link/protocol.h"
#include "core/model/codepage.h"

namespace {

// Far beyond the longest reply (a name reply for every address).
constexpr qsizetype kLongestLine = 8192;

}  // namespace

ControllerChannel::ControllerChannel(QString host, quint16 port, int timeoutMs, QObject* parent)
    : QObject(parent),
      host_(std::move(host)),
      port_(port),
      timeoutMs_(timeoutMs),
      reconnector_(new Reconnector(
          &socket_, [this] { start(); }, this)) {
  replyTimer_.setSingleShot(true);
  connect(&replyTimer_, &QTimer::timeout, this, [this] { finish(Outcome::NoReply, 0); });
  connect(&socket_, &QTcpSocket::connected, this, [this] {
    socket_.setSocketOption(QAbstractSocket::KeepAliveOption, 1);
    socket_.setSocketOption(QAbstractSocket::LowDelayOption, 1);
    up_ = true;
    reconnector_->linkProven();
    emit linkChanged(true, {});
  });
  connect(&socket_, &QTcpSocket::readyRead, this, &ControllerChannel::readReplies);
  connect(&socket_, &QTcpSocket::disconnected, this,
          [this] { onLost(QStringLiteral("the controller closed the connection")); });
  connect(&socket_, &QTcpSocket::errorOccurred, this, [this] { onLost(socket_.errorString()); });
}

void ControllerChannel::start() { socket_.connectToHost(host_, port_); }

bool ControllerChannel::isConnected() const { return socket_.state() == QAbstractSocket::ConnectedState; }

void ControllerChannel::setValue(int address, int value) {
  waitingFor_ = address;
  socket_.write(codepage::encode(command::setValue(address, value)));
  replyTimer_.start(timeoutMs_);
}

void ControllerChannel::onLost(const QString& detail) {
  pending_.clear();
  if (waitingFor_) finish(Outcome::LinkLost, 0);
  if (up_ == false) return;
  up_ = false;
  emit linkChanged(false, detail);
}

void ControllerChannel::readReplies() {
  pending_.append(socket_.readAll());
  qsizetype lf;
  while ((lf = pending_.indexOf('\n')) >= 0) {
    const QByteArray line = pending_.first(lf + 1);
    pending_.remove(0, lf + 1);
    readLine(line);
  }
  if (pending_.size() > kLongestLine) {
    emit notice("the controller sent an over-long line: " + printable(pending_.first(40)) + "...");
    pending_.clear();
  }
}

void ControllerChannel::readLine(const QByteArray& line) {
  const QString text = codepage::decode(line);
  // Name replies and anything else the controller says are not answers to a set command.
  if (!text.contains(u"Ret X")) return;
  try {
    for (const StatusReply& reply : readStatusReplies(text))
      if (waitingFor_ == reply.address) finish(Outcome::Answered, reply.value);
  } catch (const ConversionError& e) {
    emit notice("the controller sent a bad reply: " + printable(e.message()));
  }
}

void ControllerChannel::finish(Outcome outcome, int value) {
  if (!waitingFor_) return;
  waitingFor_.reset();
  replyTimer_.stop();
  emit finished(outcome, value);
}

// The socket closes as it is destroyed; its signals must not reach members already gone.
ControllerChannel::~ControllerChannel() { socket_.disconnect(); }
