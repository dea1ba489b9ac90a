#include "follow/rig_source.h"

#include <algorithm>

#include "follow/printable.h"
#include "follow/reconnector.h"

namespace {

// Longer than any answer line rigctld gives to "f" or "t".
constexpr qsizetype kLongestLine = 256;

// "RPRT -n" is rigctld's error answer.
bool isError(const QByteArray& line) { return line.startsWith("RPRT "); }

// Hz as digits, possibly with a fractional part that some rigs add.
std::optional<qint64> readHz(const QByteArray& line) {
  const qsizetype dot = line.indexOf('.');
  const QByteArray whole = dot >= 0 ? line.first(dot) : line;
  if (whole.isEmpty() || whole.size() > 12) return std::nullopt;
  for (char c : whole)
    if (c < '0' || c > '9') return std::nullopt;
  if (dot >= 0)
    for (char c : line.sliced(dot + 1))
      if (c < '0' || c > '9') return std::nullopt;
  return whole.toLongLong();
}

}  // namespace

RigSource::RigSource(QString host, quint16 port, int pollMs, QObject* parent)
    : FrequencySource(parent),
      host_(std::move(host)),
      port_(port),
      pollMs_(pollMs),
      reconnector_(new Reconnector(
          &socket_, [this] { connectToRig(); }, this)) {
  pollTimer_.setInterval(pollMs_);
  answerTimer_.setSingleShot(true);
  connect(&pollTimer_, &QTimer::timeout, this, &RigSource::poll);
  connect(&answerTimer_, &QTimer::timeout, this, [this] {
    onLost(QStringLiteral("no answer from the rig within %1 ms").arg(answerTimeoutMs()));
    reconnector_->dropAndRetry();
  });
  connect(&socket_, &QTcpSocket::connected, this, &RigSource::onConnected);
  connect(&socket_, &QTcpSocket::readyRead, this, &RigSource::readAnswers);
  connect(&socket_, &QTcpSocket::disconnected, this,
          [this] { onLost(QStringLiteral("the rig closed the connection")); });
  connect(&socket_, &QTcpSocket::errorOccurred, this, [this] { onLost(socket_.errorString()); });
}

void RigSource::start() { connectToRig(); }

int RigSource::answerTimeoutMs() const { return std::max(2000, 4 * pollMs_); }

void RigSource::connectToRig() { socket_.connectToHost(host_, port_); }

void RigSource::onConnected() {
  socket_.setSocketOption(QAbstractSocket::KeepAliveOption, 1);
  socket_.setSocketOption(QAbstractSocket::LowDelayOption, 1);
  up_ = true;
  emit linkChanged(true, {});
  pollTimer_.start();
  poll();
}

void RigSource::onLost(const QString& detail) {
  pollTimer_.stop();
  answerTimer_.stop();
  pending_.clear();
  asked_ = Question::None;
  if (up_ == false) return;
  up_ = false;
  emit linkChanged(false, detail);
}

void RigSource::poll() {
  // The last round is still under way; the answer timer watches it.
  if (asked_ != Question::None) return;
  reading_ = {};
  ask(Question::Frequency);
}

void RigSource::ask(Question question) {
  asked_ = question;
  socket_.write(question == Question::Frequency ? "f\n" : "t\n");
  answerTimer_.start(answerTimeoutMs());
}

void RigSource::readAnswers() {
  pending_.append(socket_.readAll());
  qsizetype lf;
  while ((lf = pending_.indexOf('\n')) >= 0) {
    QByteArray line = pending_.first(lf);
    pending_.remove(0, lf + 1);
    if (line.endsWith('\r')) line.chop(1);
    answer(line);
  }
  if (pending_.size() > kLongestLine) {
    tellOnce("the rig sent an over-long line: " + printable(pending_.first(40)) + "...");
    pending_.clear();
  }
}

void RigSource::answer(const QByteArray& line) {
  if (asked_ == Question::None) {
    tellOnce("the rig sent an answer to no question: " + printable(line));
    return;
  }
  answerTimer_.stop();
  if (asked_ == Question::Frequency) {
    reading_.hz = isError(line) ? std::nullopt : readHz(line);
    if (!reading_.hz) tellOnce("the rig answered " + printable(line) + " when asked for the frequency");
    ask(Question::Transmit);
    return;
  }
  asked_ = Question::None;
  if (line == "0") {
    const bool trusted =
        !sinceTransmitFailure_.isValid() || sinceTransmitFailure_.hasExpired(kReceiveTrustedAfterFailureMs);
    reading_.transmit = trusted ? Transmit::Receive : Transmit::Unknown;
  } else if (line == "1" || line == "2" || line == "3") {
    reading_.transmit = Transmit::Transmitting;
  } else {
    reading_.transmit = Transmit::Unknown;
    sinceTransmitFailure_.start();
    tellOnce("the rig answered " + printable(line) + " when asked whether it transmits");
  }
  if (reading_.hz && reading_.transmit != Transmit::Unknown) lastNotice_.clear();
  emit stateRead(reading_);
}

void RigSource::tellOnce(const QString& text) {
  if (text == lastNotice_) return;
  lastNotice_ = text;
  emit notice(text);
}

// The socket closes as it is destroyed; its signals must not reach members already gone.
RigSource::~RigSource() { socket_.disconnect(); }
