#include "orvctl_link.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QHostAddress>
#include <QTimer>

#include <cstring>

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

#include "core/follow/printable.h"
#include "core/link/protocol.h"
#include "core/model/codepage.h"
#include "core/model/formatting.h"

namespace {

// Far beyond the longest reply (a name reply for every address).
constexpr qsizetype kLongestLine = 8192;
// A controller may greet a new connection; what it says this soon after the connection is taken is
// not a reply to anything.
constexpr int kGreetingMs = 50;

QString shortened(const QString& text) {
  constexpr qsizetype kShown = 80;
  return printable(QStringView(text).left(kShown)) + (text.size() > kShown ? QStringLiteral("...") : QString());
}

// Milliseconds of the process's own clock.
qint64 nowMs() {
  static QElapsedTimer clock;
  if (!clock.isValid()) clock.start();
  return clock.elapsed();
}

}  // namespace

OrvctlLink::OrvctlLink(QString host, int port, int timeoutMs, std::function<void(const QString&)> traffic)
    : host_(std::move(host)), port_(port), timeoutMs_(timeoutMs), traffic_(std::move(traffic)) {
  QObject::connect(&socket_, &ControllerSocket::readyRead, [this] { readLines(); });
}

OrvctlLink::~OrvctlLink() { socket_.disconnect(); }

QString OrvctlLink::where() const { return host_ + u':' + QString::number(port_); }

bool OrvctlLink::isOpen() const { return socket_.isConnected(); }

void OrvctlLink::open() {
  if (isOpen()) return;
  // One connection per run: a lost one is not opened again behind the command's back.
  if (opened_) lost(QStringLiteral("before the next command"));
  opened_ = true;
  QEventLoop loop;
  std::optional<CommandFailure> failure;
  QObject::connect(&socket_, &ControllerSocket::connected, &loop, &QEventLoop::quit);
  QObject::connect(&socket_, &ControllerSocket::attemptFailed, &loop, [&](int errorNumber) {
    failure = CommandFailure{NoConnection, QStringLiteral("cannot connect to %1: %2 (error %3)")
                                               .arg(where(), QString::fromLocal8Bit(std::strerror(errorNumber)))
                                               .arg(errorNumber)};
    loop.quit();
  });
  QTimer::singleShot(timeoutMs_, &loop, [&] {
    failure = CommandFailure{
        NoConnection, QStringLiteral("cannot connect to %1: no answer within %2 ms").arg(where()).arg(timeoutMs_)};
    loop.quit();
  });
  socket_.connectTo(QHostAddress(host_).toIPv4Address(), static_cast<quint16>(port_));
  loop.exec();
  if (failure) {
    socket_.abort();
    throw *failure;
  }
  const int on = 1;
  ::setsockopt(socket_.descriptor(), IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  // Whatever the greeting holds is passed over by the first command.
  const QDeadlineTimer greeting(kGreetingMs);
  while (!greeting.hasExpired() && isOpen()) waitForBytes(static_cast<int>(greeting.remainingTime()));
}

// What was sent is in the system's hands by now; closing hands the rest of it on and ends in order.
void OrvctlLink::close() { socket_.abort(); }

void OrvctlLink::send(const QString& command) {
  if (!isOpen()) lost(QStringLiteral("before sending ") + shortened(command.trimmed()));
  readLines();
  lines_.clear();
  pending_.clear();
  readFailure_.reset();
  if (traffic_) traffic_("> " + printable(command.trimmed()));
  socket_.write(codepage::encode(command.endsWith(u'\n') ? command : command + QStringLiteral("\r\n")));
  lastSendMs_ = nowMs();
}

void OrvctlLink::readLines() {
  pending_.append(socket_.readAvailable());
  qsizetype lf;
  while ((lf = pending_.indexOf('\n')) >= 0) {
    QByteArray line = pending_.first(lf);
    pending_.remove(0, lf + 1);
    if (line.endsWith('\r')) line.chop(1);
    const QString text = codepage::decode(line);
    if (traffic_) traffic_("< " + shortened(text));
    lines_.append(text);
  }
  if (pending_.size() > kLongestLine) {
    readFailure_ = CommandFailure{OtherAnswer, QStringLiteral("%1 sent a line longer than %2 bytes: %3")
                                                   .arg(where())
                                                   .arg(kLongestLine)
                                                   .arg(shortened(codepage::decode(pending_)))};
    pending_.clear();
  }
}

void OrvctlLink::waitForBytes(int ms) {
  if (ms <= 0) return;
  QEventLoop loop;
  QObject::connect(&socket_, &ControllerSocket::readyRead, &loop, &QEventLoop::quit);
  QObject::connect(&socket_, &ControllerSocket::ended, &loop, &QEventLoop::quit);
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  loop.exec();
}

void OrvctlLink::lost(const QString& when) const {
  throw CommandFailure{NoConnection, QStringLiteral("connection to %1 lost %2").arg(where(), when)};
}

QString OrvctlLink::waitForLine(const std::function<bool(const QString&)>& accept, const QString& what) {
  const QDeadlineTimer deadline(timeoutMs_);
  for (;;) {
    while (!lines_.isEmpty()) {
      const QString line = lines_.takeFirst();
      if (accept(line)) return line;
    }
    if (readFailure_) throw *readFailure_;
    if (!isOpen()) lost("while waiting for " + what);
    if (deadline.hasExpired())
      throw CommandFailure{NoReply,
                           QStringLiteral("no reply from %1 within %2 ms: %3").arg(where()).arg(timeoutMs_).arg(what)};
    waitForBytes(static_cast<int>(deadline.remainingTime()));
  }
}

int OrvctlLink::waitForStatus(int address) {
  const QString prefix = QStringLiteral("#0x") + hexText(address, 2) + QStringLiteral(" Ret X");
  std::optional<int> value;
  waitForLine(
      [&](const QString& line) {
        if (!line.startsWith(prefix, Qt::CaseInsensitive)) return false;
        try {
          for (const StatusReply& reply : readStatusReplies(line))
            if (reply.address == address) value = reply.value;
        } catch (const ConversionError& e) {
          throw CommandFailure{
              OtherAnswer, QStringLiteral("%1 answered %2: %3").arg(where(), shortened(line), printable(e.message()))};
        }
        return value.has_value();
      },
      QStringLiteral("the status of 0x") + hexText(address, 2));
  return *value;
}

void OrvctlLink::pause(int ms) {
  const qint64 until = lastSendMs_ + ms;
  while (nowMs() < until) waitForBytes(static_cast<int>(until - nowMs()));
}
